#include "page/IsoDuration.h"

#include <charconv>
#include <cmath>
#include <iterator>

std::optional<double> isoDurationSeconds(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.starts_with('P') || text.size() < 3)
        return std::nullopt;
    text.remove_prefix(1);
    constexpr double day = 86400;
    // The units in the order they must come, before and after the 'T'.
    constexpr struct {
        char unit;
        bool time;
        double seconds;
    } units[] = {{'Y', false, 365 * day}, {'M', false, 30 * day}, {'W', false, 7 * day},
                 {'D', false, day},       {'H', true, 3600},      {'M', true, 60},
                 {'S', true, 1}};
    double total = 0;
    bool inTime = false;
    bool any = false;
    std::size_t next = 0;
    while (!text.empty()) {
        if (text.front() == 'T') {
            if (inTime)
                return std::nullopt;
            inTime = true;
            text.remove_prefix(1);
            if (text.empty())
                return std::nullopt;
            continue;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                                  std::chars_format::fixed);
        if (error != std::errc() || end == text.data() + text.size() || value < 0 ||
            !std::isfinite(value) || text.front() == '-' || text.front() == '+')
            return std::nullopt;
        const char unit = *end;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
        while (next < std::size(units) && (units[next].unit != unit || units[next].time != inTime))
            ++next;
        if (next == std::size(units))
            return std::nullopt;
        total += value * units[next].seconds;
        ++next;
        any = true;
    }
    if (!any || !std::isfinite(total))
        return std::nullopt;
    return total;
}

#include "DashTemplate.h"

namespace {

// "%0Nd" or "%d": the width; none for any other format.
std::optional<int> widthOf(std::string_view format) {
    if (format.empty())
        return 1;
    if (format.size() < 2 || format.front() != '%' || format.back() != 'd')
        return std::nullopt;
    format = format.substr(1, format.size() - 2);
    if (format.empty())
        return 1;
    if (format.front() != '0' || format.size() > 3)
        return std::nullopt;
    int width = 0;
    for (const char c : format.substr(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        width = width * 10 + (c - '0');
    }
    if (width > DashTemplate::maxWidth)
        return std::nullopt;
    return width < 1 ? 1 : width;
}

} // namespace

std::optional<std::string> DashTemplate::fill(std::string_view pattern, const Values& values) {
    std::string out;
    while (true) {
        const std::size_t open = pattern.find('$');
        out += pattern.substr(0, open);
        if (open == std::string_view::npos)
            break;
        pattern.remove_prefix(open + 1);
        const std::size_t close = pattern.find('$');
        if (close == std::string_view::npos)
            return std::nullopt;
        std::string_view name = pattern.substr(0, close);
        pattern.remove_prefix(close + 1);
        const std::size_t percent = name.find('%');
        const std::string_view format =
            percent == std::string_view::npos ? std::string_view() : name.substr(percent);
        name = name.substr(0, percent);
        if (name.empty() && format.empty()) {
            out += '$';
            continue;
        }
        if (name == "RepresentationID" && format.empty()) {
            out += values.id;
            continue;
        }
        const std::optional<int> width = widthOf(format);
        if (!width)
            return std::nullopt;
        long long value = 0;
        if (name == "Number")
            value = values.number;
        else if (name == "Bandwidth")
            value = values.bandwidth;
        else if (name == "Time")
            value = values.time;
        else
            return std::nullopt;
        const std::string digits = std::to_string(value);
        if (digits.size() < static_cast<std::size_t>(*width))
            out.append(static_cast<std::size_t>(*width) - digits.size(), '0');
        out += digits;
        if (out.size() > maxBytes)
            return std::nullopt;
    }
    if (out.size() > maxBytes)
        return std::nullopt;
    return out;
}

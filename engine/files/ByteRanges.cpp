#include "ByteRanges.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view prefix = "bytes=";

// A whole decimal number up to the end of text, or -1.
long long number(std::string_view text) {
    long long value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : -1;
}

} // namespace

void ByteRanges::add(long long from, long long to) {
    if (from >= to)
        return;
    // The first span that ends at or after from: it and any after it that
    // start at or before to are joined with the new one.
    auto first = std::lower_bound(spans_.begin(), spans_.end(), from,
                                  [](const Span& span, long long at) { return span.to < at; });
    auto last = first;
    while (last != spans_.end() && last->from <= to) {
        from = std::min(from, last->from);
        to = std::max(to, last->to);
        ++last;
    }
    first = spans_.erase(first, last);
    spans_.insert(first, Span{from, to});
}

long long ByteRanges::bytes() const {
    long long sum = 0;
    for (const Span& span : spans_)
        sum += span.size();
    return sum;
}

bool ByteRanges::covers(long long total) const {
    return total <= 0 ||
           (!spans_.empty() && spans_.front().from == 0 && spans_.front().to >= total);
}

std::vector<ByteRanges::Span> ByteRanges::missing(long long total) const {
    std::vector<Span> gaps;
    long long at = 0;
    for (const Span& span : spans_) {
        if (span.from >= total)
            break;
        if (span.from > at)
            gaps.push_back({at, span.from});
        at = std::max(at, span.to);
    }
    if (at < total)
        gaps.push_back({at, total});
    return gaps;
}

std::string ByteRanges::text() const {
    std::string out(prefix);
    for (const Span& span : spans_) {
        if (out.size() > prefix.size())
            out += ',';
        out += std::to_string(span.from) + "-" + std::to_string(span.to - 1);
    }
    return out;
}

std::optional<ByteRanges> ByteRanges::parse(std::string_view text, long long total) {
    if (text.substr(0, prefix.size()) != prefix || total <= 0)
        return std::nullopt;
    text.remove_prefix(prefix.size());
    ByteRanges ranges;
    long long end = 0;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const auto dash = item.find('-');
        if (dash == std::string_view::npos || (comma != std::string_view::npos && text.empty()))
            return std::nullopt;
        const long long first = number(item.substr(0, dash));
        const long long last = number(item.substr(dash + 1));
        // In order and apart, as text() writes them, and within the file.
        if (first < 0 || last < first || first < end || last >= total)
            return std::nullopt;
        ranges.spans_.push_back({first, last + 1});
        end = last + 2;
    }
    return ranges;
}

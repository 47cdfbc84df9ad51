#include "ByteRange.h"

#include <charconv>

namespace {

// A decimal number of digits only, at most ByteRange::maxBytes.
std::optional<long long> whole(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0 ||
        value > ByteRange::maxBytes)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<ByteRange> ByteRange::inclusive(std::string_view text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto first = whole(text.substr(0, dash));
    const auto last = whole(text.substr(dash + 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    return ByteRange{*first, *last - *first + 1};
}

std::optional<ByteRange> ByteRange::lengthAt(std::string_view text) {
    const std::size_t at = text.find('@');
    const auto length = whole(text.substr(0, at));
    if (!length || *length == 0)
        return std::nullopt;
    if (at == std::string_view::npos)
        return ByteRange{-1, *length};
    const auto offset = whole(text.substr(at + 1));
    if (!offset || *offset > maxBytes - *length)
        return std::nullopt;
    return ByteRange{*offset, *length};
}

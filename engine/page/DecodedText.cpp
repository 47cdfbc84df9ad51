#include "page/DecodedText.h"

#include "page/PercentDecoder.h"

char DecodedText::at(std::size_t pos, std::size_t& next) const {
    const char c = raw_[pos];
    const int high = c == '%' && pos + 2 < raw_.size() ? hexDigitValue(raw_[pos + 1]) : -1;
    const int low = high < 0 ? -1 : hexDigitValue(raw_[pos + 2]);
    next = low < 0 ? pos + 1 : pos + 3;
    return low < 0 ? c : static_cast<char>(high * 16 + low);
}

std::size_t DecodedText::find(std::string_view needle, std::size_t from, std::size_t to,
                              std::size_t* end) const {
    for (std::size_t start = from, next = 0; start < to; start = next) {
        if (at(start, next) != needle.front())
            continue;
        std::size_t pos = next;
        std::size_t matched = 1;
        for (std::size_t after = 0; matched < needle.size() && pos < to; pos = after, ++matched)
            if (at(pos, after) != needle[matched])
                break;
        if (matched == needle.size()) {
            if (end)
                *end = pos;
            return start;
        }
    }
    return npos;
}

std::string DecodedText::decoded(std::size_t from, std::size_t to, std::size_t maxBytes) const {
    std::string out;
    for (std::size_t pos = from, next = 0; pos < to && out.size() < maxBytes; pos = next)
        out += at(pos, next);
    return out;
}

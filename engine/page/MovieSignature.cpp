#include "MovieSignature.h"

#include "MediaFormat.h"

#include <algorithm>
#include <cctype>

void MovieSignature::feed(const char* data, std::size_t n) {
    if (head_.size() < headBytes)
        head_.append(data, std::min(n, headBytes - head_.size()));
}

bool MovieSignature::containerKnown() const {
    return MediaFormat::signatureDecided(head_);
}

std::string MovieSignature::container() const {
    const MediaFormat format = MediaFormat::ofSignature(head_);
    return format.whole() ? std::string(format.name) : std::string();
}

bool MovieSignature::looksLikeMarkup() const {
    std::size_t i = head_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (i < head_.size() && std::isspace(static_cast<unsigned char>(head_[i])))
        ++i;
    if (i + 1 >= head_.size() || head_[i] != '<')
        return false;
    const unsigned char next = static_cast<unsigned char>(head_[i + 1]);
    return next == '!' || next == '?' || std::isalpha(next);
}

bool MovieSignature::looksLikeText() const {
    return !head_.empty() && std::none_of(head_.begin(), head_.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        // Text may hold tabs, line and page breaks and terminal escapes;
        // bytes of 0x80 and up are taken as UTF-8.
        const bool textControl = (c >= '\t' && c <= '\r') || c == 0x1B;
        return (c < 0x20 && !textControl) || c == 0x7F;
    });
}

#include "MovieSignature.h"

#include <algorithm>
#include <cctype>
#include <string_view>

void MovieSignature::feed(const char* data, std::size_t n) {
    if (head_.size() < headBytes)
        head_.append(data, std::min(n, headBytes - head_.size()));
}

namespace {

constexpr std::string_view ebmlMagic = "\x1A\x45\xDF\xA3";
// How far into an EBML header its DocType ("webm" or "matroska") lies.
constexpr std::size_t ebmlHeaderBytes = 64;

} // namespace

bool MovieSignature::containerKnown() const {
    if (head_.size() >= ebmlHeaderBytes)
        return true;
    return head_.size() >= 12 && std::string_view(head_).substr(0, 4) != ebmlMagic;
}

std::string MovieSignature::container() const {
    const std::string_view head(head_);
    if (head.substr(0, 3) == "FLV")
        return "flv";
    if (head.size() >= 12 && head.substr(4, 4) == "ftyp")
        return head.substr(8, 4) == "M4A " ? "m4a" : "mp4";
    if (head.substr(0, 4) == ebmlMagic)
        return head.substr(0, ebmlHeaderBytes).find("webm") != std::string_view::npos ? "webm"
                                                                                      : "mkv";
    if (head.substr(0, 3) == "ID3" ||
        (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
         (static_cast<unsigned char>(head[1]) & 0xE6) == 0xE2))
        return "mp3";
    return {};
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

#include "CurlHandle.h"
#include "PercentDecoder.h"
#include "core.h"

#include <utility>

namespace {

const std::string kHeadline = "id=\"watch-headline-title\">";
const std::string kClosingTag = "</h";
const std::string kTitleAttribute = "title=\"";
const std::string kAttributeEnd = "\">";
constexpr std::size_t kMaxTitleChars = 42;

// Byte length of the first maxChars characters of UTF-8 text. Counting
// characters rather than bytes keeps a multi-byte character whole.
std::size_t prefixBytes(const std::string& text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {
            if (chars == maxChars) {
                return i;
            }
            ++chars;
        }
    }
    return text.size();
}

// Control characters (C0, DEL and, written in UTF-8, C1) become blanks: a
// headline must not put line breaks or terminal escapes into a file name.
void blankControls(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            out += ' ';
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += ' ';
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    text = std::move(out);
}

// Start of the UTF-8 character that holds byte pos.
std::size_t characterStart(const std::string& text, std::size_t pos) {
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
        --pos;
    return pos;
}

} // namespace

std::string core::safeTitle(std::string title) {
    blankControls(title);
    if (title.size() > maxTitleBytes)
        title.resize(characterStart(title, maxTitleBytes));
    return title;
}

std::optional<std::string> core::findTitle(const char* html) {
    const std::string page = percentDecode(CurlHandle().get(), html);

    const auto headline = page.find(kHeadline);
    if (headline == std::string::npos) {
        return {};
    }
    const auto segStart = headline + kHeadline.size();
    const auto segEnd = page.find(kClosingTag, segStart);
    const std::string segment =
        page.substr(segStart, segEnd == std::string::npos ? std::string::npos : segEnd - segStart);

    std::string found;
    const auto attribute = segment.find(kTitleAttribute);
    if (attribute != std::string::npos && attribute != 0) {
        const auto start = attribute + kTitleAttribute.size();
        const auto end = segment.find(kAttributeEnd, start);
        if (end == std::string::npos) {
            return {};
        }
        found = segment.substr(start, end - start);
    } else {
        const auto open = segment.find('>');
        if (open == std::string::npos) {
            return {};
        }
        const auto close = segment.find('<', open + 1);
        if (close == std::string::npos) {
            return {};
        }
        found = segment.substr(open + 1, close - open - 1);
    }

    blankControls(found);
    const auto last = found.find_last_not_of(' ');
    found.erase(last == std::string::npos ? 0 : last + 1);
    found.resize(prefixBytes(found, kMaxTitleChars));
    for (char& c : found) {
        if (c == ';' || c == '|') {
            c = ' ';
        }
    }
    return found;
}

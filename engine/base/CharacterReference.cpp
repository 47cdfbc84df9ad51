#include "base/CharacterReference.h"

#include "base/NumberText.h"

#include <array>
#include <utility>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kPastUnicode = 0x110000;

constexpr std::array<std::pair<std::string_view, char>, 5> kNamed = {{
    {"&amp;", '&'},
    {"&lt;", '<'},
    {"&gt;", '>'},
    {"&quot;", '"'},
    {"&apos;", '\''},
}};

std::string utf8Of(char32_t c) {
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c >= kPastUnicode)
        c = kReplacement;
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// "&#NNN;" or "&#xHH;": digits and the closing ";" are required.
CharacterReference numeric(std::string_view text) {
    std::size_t i = 2;
    int base = 10;
    if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    }
    const std::size_t digits = i;
    char32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = NumberText::digitValue(text[i], base);
        if (digit < 0)
            break;
        // Held just past the last code point, however many digits follow.
        value = value >= kPastUnicode ? kPastUnicode : value * base + digit;
    }
    if (i == digits || i == text.size() || text[i] != ';')
        return {};
    return {i + 1, utf8Of(value)};
}

} // namespace

CharacterReference CharacterReference::read(std::string_view text) {
    if (text.size() < 3 || text[0] != '&')
        return {};
    if (text[1] == '#')
        return numeric(text);
    for (const auto& [name, c] : kNamed)
        if (text.substr(0, name.size()) == name)
            return {name.size(), std::string(1, c)};
    return {};
}

#include "base/TitleCleaner.h"

#include "base/CharacterReference.h"

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The UTF-8 character at text[i]: how many bytes it takes, and whether it is
// one. A byte that starts none (stray, overlong, surrogate, beyond U+10FFFF,
// cut short) counts alone and is replaced, so the text stays valid UTF-8, no
// cut ever walks back over it and no removal joins its neighbours into a
// character (a lone "\xC2" and a stray "\x85" would make a C1 control).
struct Character {
    std::size_t bytes;
    bool valid;
};

Character characterAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {1, true};
    std::size_t n = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    }
    if (n == 0 || i + n > text.size() || byte(1) < low || byte(1) > high)
        return {1, false};
    for (std::size_t k = 2; k < n; ++k)
        if ((byte(k) & 0xC0) != 0x80)
            return {1, false};
    return {n, true};
}

// Unicode's bidirectional controls (U+200E, U+200F, U+202A-U+202E,
// U+2066-U+2069) in UTF-8: they could make "Clip<U+202E>4pm.exe" read as
// another type of file.
bool isBidiControl(std::string_view c) {
    if (c.size() != 3 || c[0] != '\xE2')
        return false;
    const auto second = static_cast<unsigned char>(c[1]);
    const auto third = static_cast<unsigned char>(c[2]);
    return (second == 0x80 &&
            (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE))) ||
           (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

// Characters a file name must not show: C0 (NUL included), DEL, C1 and "/".
bool isBlanked(std::string_view c, bool separators) {
    if (c.size() == 2)
        return c[0] == '\xC2' && static_cast<unsigned char>(c[1]) <= 0x9F;
    if (c.size() != 1)
        return false;
    const auto b = static_cast<unsigned char>(c[0]);
    return b < 0x20 || b == 0x7F || b == '/' || (separators && (b == ';' || b == '|'));
}

} // namespace

std::string TitleCleaner::clean(std::string_view text, const Rules& how) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size() && chars < how.maxChars;) {
        CharacterReference reference;
        if (how.references && text[i] == '&')
            reference = CharacterReference::read(text.substr(i));
        std::string_view c;
        if (reference.length) {
            c = reference.utf8;
            i += reference.length;
        } else {
            const Character character = characterAt(text, i);
            c = character.valid ? text.substr(i, character.bytes) : kReplacement;
            i += character.bytes;
        }
        if (isBidiControl(c))
            continue;
        if (isBlanked(c, how.separators))
            c = " ";
        if (out.empty() && (c == " " || c == "."))
            continue;
        if (out.size() + c.size() > how.maxBytes)
            break;
        out += c;
        ++chars;
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

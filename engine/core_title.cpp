#include "CharacterReference.h"
#include "DecodedText.h"
#include "core.h"

#include <limits>
#include <string_view>

namespace {

constexpr std::string_view kHeadline = "id=\"watch-headline-title\">";
constexpr std::string_view kClosingTag = "</h";
constexpr std::string_view kTitleAttribute = "title=\"";
constexpr std::string_view kAttributeEnd = "\">";
constexpr std::size_t kMaxTitleChars = 42;
// A headline is read from at most this much of its text: far more than 42
// characters take, however many controls and blanks come first.
constexpr std::size_t kMaxTitleRead = std::size_t{64} << 10;
constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
const std::string kFallbackTitle = "video";
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

struct Cleaning {
    // A headline's character references are decoded; a typed title is kept.
    bool references;
    // A headline's ";" and "|" become blanks too.
    bool separators;
    std::size_t maxChars;
    std::size_t maxBytes;
};

// The one cleaning every title gets, in this order, each character once:
// references decoded (so "&#47;" or "&#x202E;" cannot slip past the rest),
// bytes that are no UTF-8 replaced, controls, NUL and "/" blanked,
// bidirectional controls dropped; leading blanks and dots skipped (no hidden
// file, no "." or ".."; skipped before the cut, so it keeps more of the
// title), then the cut at whole characters, then trailing blanks trimmed
// (the same as trimming before the cut). Stops at the cut, so a huge title
// costs no memory beyond its kept part.
std::string cleaned(std::string_view text, const Cleaning& how) {
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

} // namespace

std::string core::safeTitle(std::string title) {
    std::string safe = cleaned(title, {false, false, kNoLimit, maxTitleBytes});
    return safe.empty() ? kFallbackTitle : safe;
}

std::optional<std::string> core::findTitle(std::string_view html) {
    // Searched where it lies, as its percent-decoded form reads: the job
    // passes its whole page, which must not cost a second copy.
    const DecodedText page(html);
    std::size_t segStart = 0;
    if (page.find(kHeadline, 0, page.size(), &segStart) == DecodedText::npos)
        return {};
    std::size_t segEnd = page.find(kClosingTag, segStart, page.size());
    if (segEnd == DecodedText::npos)
        segEnd = page.size();

    std::size_t start = 0;
    std::size_t end = 0;
    const auto attribute = page.find(kTitleAttribute, segStart, segEnd, &start);
    if (attribute != DecodedText::npos && attribute != segStart) {
        end = page.find(kAttributeEnd, start, segEnd);
    } else {
        const auto open = page.find(">", segStart, segEnd, &start);
        end = open == DecodedText::npos ? open : page.find("<", start, segEnd);
    }
    if (end == DecodedText::npos)
        return {};
    // May clean to nothing: the name falls back when the job makes it safe.
    return cleaned(page.decoded(start, end, kMaxTitleRead), {true, true, kMaxTitleChars, kNoLimit});
}

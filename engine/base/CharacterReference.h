#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An HTML character reference at the start of text ("&amp;", "&lt;",
// "&gt;", "&quot;", "&apos;", "&#39;", "&#x2F;"): how many bytes it takes
// (0 when text does not start with one) and the character it stands for, in
// UTF-8. A reference to NUL, a surrogate or beyond U+10FFFF stands for
// U+FFFD, so the result is always valid UTF-8.
struct CharacterReference {
    std::size_t length = 0;
    std::string utf8;

    static CharacterReference read(std::string_view text);
};

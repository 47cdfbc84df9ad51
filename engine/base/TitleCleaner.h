#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The one cleaning every title gets, in this order, each character once:
// character references decoded (so "&#47;" or "&#x202E;" cannot slip past
// the rest), bytes that are no UTF-8 replaced by U+FFFD, controls, NUL and
// "/" blanked, bidirectional controls dropped; leading blanks and dots
// skipped (no hidden file, no "." or ".."; skipped before the cut, so it
// keeps more of the title), then the cut at whole characters, then trailing
// blanks trimmed (the same as trimming before the cut). Stops at the cut, so
// a huge title costs no memory beyond its kept part.
class TitleCleaner {
public:
    struct Rules {
        // A headline's character references are decoded; a typed title is kept.
        bool references;
        // A headline's ";" and "|" become blanks too.
        bool separators;
        std::size_t maxChars;
        std::size_t maxBytes;
    };

    static std::string clean(std::string_view text, const Rules& how);
};

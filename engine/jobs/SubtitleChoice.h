#pragma once

#include <string>
#include <string_view>
#include <vector>

// Which subtitle tracks a download saves beside its movie: none unless
// asked; then those of the languages named ("en", "pt-BR"), or every one
// when none is named.
struct SubtitleChoice {
    bool save = false;
    std::vector<std::string> languages{};

    // Whether a track of language (as its page or manifest names it) is
    // saved: a code matches itself and its regional forms ("en" takes
    // "en-GB"), in any case; a track without a language only when every
    // language is asked for.
    bool wants(std::string_view language) const;
    // "en,de" or "all" as quillmoth-get and the settings write it into
    // choice; empty: nothing saved. False, choice as it was, when a code is
    // not one.
    static bool parse(std::string_view text, SubtitleChoice& choice);
    // The languages as parse() reads them ("" for every one).
    std::string text() const;
};

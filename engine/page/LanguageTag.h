#pragma once

#include <string_view>

// How well a language tag ("en-GB", "de") matches the one wanted.
class LanguageTag {
public:
    // 2 for the same tag, 1 for the same language ("en" and "en-GB"), 0 for
    // another or none (either empty). Case does not matter.
    static int match(std::string_view tag, std::string_view wanted);
};

#include "page/LanguageTag.h"

#include "base/AsciiCase.h"

#include <string>

int LanguageTag::match(std::string_view tag, std::string_view wanted) {
    if (tag.empty() || wanted.empty())
        return 0;
    const std::string a = asciiLowered(tag), b = asciiLowered(wanted);
    if (a == b)
        return 2;
    return a.substr(0, a.find_first_of("-_")) == b.substr(0, b.find_first_of("-_")) ? 1 : 0;
}

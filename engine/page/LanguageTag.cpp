#include "LanguageTag.h"

#include <string>

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

} // namespace

int LanguageTag::match(std::string_view tag, std::string_view wanted) {
    if (tag.empty() || wanted.empty())
        return 0;
    const std::string a = lowered(tag), b = lowered(wanted);
    if (a == b)
        return 2;
    return a.substr(0, a.find_first_of("-_")) == b.substr(0, b.find_first_of("-_")) ? 1 : 0;
}

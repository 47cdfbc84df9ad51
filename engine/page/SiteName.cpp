#include "page/SiteName.h"

#include <array>
#include <cctype>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool endsWithCaseless(std::string_view text, std::string_view end) {
    if (end.size() > text.size())
        return false;
    text = text.substr(text.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(end[i])))
            return false;
    return true;
}

// Hyphen, bar, en dash, em dash.
constexpr std::array<std::string_view, 4> kSeparators = {"-", "|", "\xE2\x80\x93", "\xE2\x80\x94"};

} // namespace

std::string SiteName::strip(std::string_view title, std::string_view site) {
    site = trimmed(site);
    std::string_view rest = trimmed(title);
    if (site.empty() || !endsWithCaseless(rest, site))
        return std::string(title);
    rest.remove_suffix(site.size());
    // The separator stands between blanks.
    if (rest.empty() || !isBlank(rest.back()))
        return std::string(title);
    rest = trimmed(rest);
    for (std::string_view separator : kSeparators) {
        if (rest.size() <= separator.size() ||
            rest.substr(rest.size() - separator.size()) != separator)
            continue;
        rest.remove_suffix(separator.size());
        if (rest.empty() || !isBlank(rest.back()))
            return std::string(title);
        rest = trimmed(rest);
        return rest.empty() ? std::string(title) : std::string(rest);
    }
    return std::string(title);
}

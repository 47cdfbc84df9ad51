#include "tools/site/SiteLanguage.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// "de", "de-AT" and "DE" are German; "den" is not.
bool isLanguage(std::string_view range, std::string_view primary) {
    if (range.size() < primary.size() ||
        (range.size() > primary.size() && range[primary.size()] != '-'))
        return false;
    for (std::size_t i = 0; i < primary.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(range[i])) != primary[i])
            return false;
    return true;
}

// The weight after ";q=", 1 without one; out of range reads as 0.
double weightOf(std::string_view parameters) {
    const std::size_t q = parameters.find("q=");
    if (q == std::string_view::npos)
        return 1;
    const std::string number(trimmed(parameters.substr(q + 2)));
    char* end = nullptr;
    const double weight = std::strtod(number.c_str(), &end);
    return end != number.c_str() && weight >= 0 && weight <= 1 ? weight : 0;
}

} // namespace

SiteLanguage siteLanguageFor(std::string_view header) {
    // The best weight each language gets; a tie goes to the one named first.
    double german = 0;
    double english = 0;
    bool germanFirst = false;
    while (!header.empty()) {
        const std::size_t comma = header.find(',');
        std::string_view entry = header.substr(0, comma);
        header = comma == std::string_view::npos ? std::string_view() : header.substr(comma + 1);
        const std::size_t semicolon = entry.find(';');
        const std::string_view range = trimmed(entry.substr(0, semicolon));
        const double weight =
            semicolon == std::string_view::npos ? 1 : weightOf(entry.substr(semicolon + 1));
        if (isLanguage(range, "de") && weight > german) {
            germanFirst = germanFirst || english == 0;
            german = weight;
        } else if ((isLanguage(range, "en") || range == "*") && weight > english) {
            english = weight;
        }
    }
    return german > english || (german > 0 && german == english && germanFirst)
               ? SiteLanguage::German
               : SiteLanguage::English;
}

const char* languageTag(SiteLanguage language) {
    return language == SiteLanguage::German ? "de" : "en";
}

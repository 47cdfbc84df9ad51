#include "jobs/SubtitleChoice.h"

#include <algorithm>

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// A language tag's shape: letters, digits and "-" or "_" between them, at
// most 35 characters (BCP 47's longest sensible tag).
bool languageCode(std::string_view code) {
    if (code.empty() || code.size() > 35 || code.front() == '-' || code.back() == '-')
        return false;
    return std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

} // namespace

bool SubtitleChoice::wants(std::string_view language) const {
    if (!save)
        return false;
    if (languages.empty())
        return true;
    for (const std::string& asked : languages) {
        if (sameText(asked, language))
            return true;
        // "en" takes "en-GB" and "en_US".
        if (language.size() > asked.size() && sameText(asked, language.substr(0, asked.size())) &&
            (language[asked.size()] == '-' || language[asked.size()] == '_'))
            return true;
    }
    return false;
}

bool SubtitleChoice::parse(std::string_view text, SubtitleChoice& choice) {
    SubtitleChoice read;
    read.save = !text.empty();
    if (text == "all")
        text = {};
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view code = text.substr(0, comma);
        while (!code.empty() && code.front() == ' ')
            code.remove_prefix(1);
        while (!code.empty() && code.back() == ' ')
            code.remove_suffix(1);
        if (!languageCode(code))
            return false;
        read.languages.emplace_back(code);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    choice = std::move(read);
    return true;
}

std::string SubtitleChoice::text() const {
    std::string joined;
    for (const std::string& code : languages)
        joined += (joined.empty() ? "" : ",") + code;
    return joined;
}

#include "page/HlsAttributeList.h"

#include <algorithm>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

HlsAttributeList::HlsAttributeList(std::string_view text) {
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    while (true) {
        skipBlanks();
        const std::size_t equals = text.find('=', i);
        if (equals == std::string_view::npos)
            return;
        std::string_view name = text.substr(i, equals - i);
        while (!name.empty() && isBlank(name.back()))
            name.remove_suffix(1);
        if (name.empty() || name.find(',') != std::string_view::npos)
            return;
        i = equals + 1;
        skipBlanks();
        std::string_view value;
        if (i < text.size() && text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos)
                return;
            value = text.substr(i + 1, close - i - 1);
            i = close + 1;
            skipBlanks();
            if (i < text.size() && text[i] != ',')
                return;
        } else {
            const std::size_t comma = std::min(text.find(',', i), text.size());
            value = text.substr(i, comma - i);
            while (!value.empty() && isBlank(value.back()))
                value.remove_suffix(1);
            i = comma;
        }
        attributes_.emplace_back(name, value);
        if (i >= text.size())
            return;
        ++i; // the comma
    }
}

std::string_view HlsAttributeList::operator[](std::string_view name) const {
    for (const auto& [key, value] : attributes_)
        if (key == name)
            return value;
    return {};
}

bool HlsAttributeList::has(std::string_view name) const {
    for (const auto& attribute : attributes_)
        if (attribute.first == name)
            return true;
    return false;
}

#include "page/PagePicture.h"

#include "base/CharacterReference.h"
#include "page/RelativeAddress.h"

#include <cctype>
#include <cstddef>

namespace {

using Size = std::string_view::size_type;

// Longer than any address a server takes: not copied, so a hostile page
// costs nothing beyond its own memory.
constexpr Size kMaxLinkBytes = Size{1} << 20;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (Size i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Whether a space-separated list such as rel="image_src icon" holds word.
bool holdsWord(std::string_view list, std::string_view word) {
    Size at = 0;
    while (at < list.size()) {
        while (at < list.size() && isBlank(list[at]))
            ++at;
        Size end = at;
        while (end < list.size() && !isBlank(list[end]))
            ++end;
        if (end > at && sameText(list.substr(at, end - at), word))
            return true;
        at = end;
    }
    return false;
}

// The attributes of one <meta> or <link> tag that name a picture.
struct Tag {
    std::string_view name;
    std::string_view property;
    std::string_view metaName;
    std::string_view rel;
    std::string_view itemprop;
    std::string_view content;
    std::string_view href;
};

// Reads the attributes from at (just after the tag's name) to the tag's
// end; returns where the tag ends (after its ">", or the page's end).
Size readAttributes(std::string_view page, Size at, Tag& tag) {
    while (at < page.size()) {
        while (at < page.size() && (isBlank(page[at]) || page[at] == '/'))
            ++at;
        if (at >= page.size())
            break;
        if (page[at] == '>')
            return at + 1;
        const Size nameStart = at;
        while (at < page.size() && !isBlank(page[at]) && page[at] != '=' && page[at] != '>' &&
               page[at] != '/')
            ++at;
        const std::string_view name = page.substr(nameStart, at - nameStart);
        while (at < page.size() && isBlank(page[at]))
            ++at;
        std::string_view value;
        if (at < page.size() && page[at] == '=') {
            ++at;
            while (at < page.size() && isBlank(page[at]))
                ++at;
            if (at < page.size() && (page[at] == '"' || page[at] == '\'')) {
                const Size close = page.find(page[at], at + 1);
                const Size end = close == std::string_view::npos ? page.size() : close;
                value = page.substr(at + 1, end - at - 1);
                at = end == page.size() ? end : end + 1;
            } else {
                const Size valueStart = at;
                while (at < page.size() && !isBlank(page[at]) && page[at] != '>')
                    ++at;
                value = page.substr(valueStart, at - valueStart);
            }
        }
        if (name.empty()) {
            ++at; // a stray "=" or quote: step over it
            continue;
        }
        if (sameText(name, "property"))
            tag.property = value;
        else if (sameText(name, "name"))
            tag.metaName = value;
        else if (sameText(name, "rel"))
            tag.rel = value;
        else if (sameText(name, "itemprop"))
            tag.itemprop = value;
        else if (sameText(name, "content"))
            tag.content = value;
        else if (sameText(name, "href"))
            tag.href = value;
    }
    return page.size();
}

// An attribute's value as it reads: character references decoded, blanks
// around it gone.
std::string attributeText(std::string_view raw) {
    std::string text;
    for (Size i = 0; i < raw.size();) {
        const CharacterReference ref = CharacterReference::read(raw.substr(i));
        if (ref.length != 0) {
            text += ref.utf8;
            i += ref.length;
        } else {
            text += raw[i++];
        }
    }
    const Size first = text.find_first_not_of(" \t\n\r\f");
    if (first == std::string::npos)
        return {};
    const Size last = text.find_last_not_of(" \t\n\r\f");
    return text.substr(first, last - first + 1);
}

bool isOpenGraphImage(std::string_view key) {
    return sameText(key, "og:image") || sameText(key, "og:image:url") ||
           sameText(key, "og:image:secure_url");
}

} // namespace

std::string PagePicture::address(std::string_view page, const std::string& pageAddress) {
    std::string openGraph;
    std::string thumbnail;
    Size at = 0;
    while (openGraph.empty() && (at = page.find('<', at)) != std::string_view::npos) {
        ++at;
        const Size nameStart = at;
        while (at < page.size() && std::isalpha(static_cast<unsigned char>(page[at])))
            ++at;
        Tag tag;
        tag.name = page.substr(nameStart, at - nameStart);
        const bool meta = sameText(tag.name, "meta");
        if (!meta && !sameText(tag.name, "link"))
            continue;
        at = readAttributes(page, at, tag);
        const std::string_view link = meta ? tag.content : tag.href;
        if (link.empty() || link.size() > kMaxLinkBytes)
            continue;
        if (meta && (isOpenGraphImage(tag.property) || isOpenGraphImage(tag.metaName))) {
            openGraph = resolveAddress(pageAddress, attributeText(link));
        } else if (thumbnail.empty() && ((!meta && holdsWord(tag.rel, "image_src")) ||
                                         sameText(tag.itemprop, "thumbnailUrl"))) {
            thumbnail = resolveAddress(pageAddress, attributeText(link));
        }
    }
    return openGraph.empty() ? thumbnail : openGraph;
}

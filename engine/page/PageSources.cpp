#include "page/PageSources.h"

#include "base/NumberText.h"
#include "page/HtmlReader.h"
#include "page/PageTracks.h"
#include "page/JsonLdReader.h"
#include "page/QualityChoice.h"
#include "page/RelativeAddress.h"
#include "page/SiteName.h"

#include <cctype>
#include <optional>
#include <unordered_map>

namespace {

using Attributes = HtmlReader::Attributes;

std::string_view attribute(const Attributes& attributes, std::string_view name) {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return value;
    return {};
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whether a space-separated list such as rel="image_src icon" holds word.
bool holdsWord(std::string_view list, std::string_view word) {
    while (!(list = trimmed(list)).empty()) {
        std::size_t end = 0;
        while (end < list.size() && !isBlank(list[end]))
            ++end;
        if (sameText(list.substr(0, end), word))
            return true;
        list.remove_prefix(end);
    }
    return false;
}

// A src a player has yet to fill: none, or a placeholder of a scheme no
// fetch takes (about:blank, data:, blob: of a stream fed by script).
bool awaitsScript(std::string_view src) {
    src = trimmed(src);
    const std::size_t colon = src.find(':');
    if (src.empty())
        return true;
    if (colon == std::string_view::npos || colon == 0 || src.find_first_of("/?#") < colon)
        return false;
    const std::string_view scheme = src.substr(0, colon);
    for (char c : scheme)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    return !sameText(scheme, "http") && !sameText(scheme, "https");
}

// What a lazy attribute holds when it is an address, not a player's
// settings ('{"src": ...}') or markup.
bool looksLikeAddress(std::string_view value) {
    value = trimmed(value);
    if (value.empty() || value.front() == '{' || value.front() == '[' || value.front() == '<')
        return false;
    for (char c : value)
        if (isBlank(c))
            return false;
    return true;
}

// A picture's lines from an element's size hints.
long long linesOf(const Attributes& attributes) {
    for (const char* name : {"height", "res", "data-res", "size", "data-size", "data-quality",
                             "label", "data-label", "title"}) {
        const long long n = NumberText::firstNumber(attribute(attributes, name));
        if (n > 0 && n < 100000)
            return n;
    }
    const long long width = NumberText::firstNumber(attribute(attributes, "width"));
    return width > 0 && width < 100000 ? width * 9 / 16 : 0;
}

bool isOpenGraphImage(std::string_view key) {
    return sameText(key, "og:image") || sameText(key, "og:image:url") ||
           sameText(key, "og:image:secure_url");
}

// Titles are short; a longer run of text is not kept whole.
constexpr std::size_t maxTitleBytes = 4096;
// Longer than any address a server takes: not kept.
constexpr std::size_t maxPictureBytes = std::size_t{1} << 20;
// Of each kind of picture, the first few are kept: one that is no web
// address gives way to the next.
constexpr std::size_t maxPictures = 8;

void keep(std::vector<std::string>& into, std::string_view value) {
    value = trimmed(value);
    if (!value.empty() && into.size() < maxPictures && value.size() <= maxPictureBytes)
        into.emplace_back(value);
}

// Reads the page's elements as they come.
class Collector : public HtmlReader::Handler {
public:
    std::vector<PageSource> elements;
    std::vector<PageSource> openGraph;
    std::vector<PageSource> jsonLd;
    std::string base;
    std::string ogTitle;
    std::string jsonLdName;
    std::string title;
    std::string siteName;
    std::string applicationName;
    // Pictures by where they come from.
    std::vector<std::string> ogImage;
    std::vector<std::string> jsonLdPicture;
    std::vector<std::string> linkPicture;
    std::vector<std::string> poster;
    bool refused = false;

    void open(std::string_view name, const Attributes& attributes) override {
        if (name == "video" || name == "audio") {
            media.push_back({name == "audio", linesOf(attributes)});
            sources(attributes, media.back().lines);
            keep(poster, attribute(attributes, "poster"));
            keep(poster, attribute(attributes, "data-poster"));
        } else if (name == "source" && !media.empty()) {
            const long long lines = linesOf(attributes);
            sources(attributes, lines > 0 ? lines : media.back().lines);
        } else if (name == "meta") {
            meta(attributes);
        } else if (name == "link") {
            if (holdsWord(attribute(attributes, "rel"), "image_src") ||
                sameText(attribute(attributes, "itemprop"), "thumbnailUrl"))
                keep(linkPicture, attribute(attributes, "href"));
        } else if (name == "base" && !baseSeen) {
            baseSeen = true;
            base = std::string(attribute(attributes, "href"));
        } else if (name == "title" && media.empty()) {
            inTitle = title.empty();
        } else if (name == "script") {
            end();
            if (sameText(trimmed(attribute(attributes, "type")), "application/ld+json"))
                block.emplace();
        }
    }

    void close(std::string_view name) override {
        if ((name == "video" || name == "audio") && !media.empty()) {
            media.pop_back();
        } else if (name == "title") {
            inTitle = false;
        } else if (name == "script" && block) {
            readJsonLd(block->finish());
            block.reset();
        }
    }

    void text(std::string_view text) override {
        if (inTitle && title.size() < maxTitleBytes)
            title.append(text.substr(0, maxTitleBytes - title.size()));
        if (block)
            block->feed(text);
    }

    // A block the page left open is read to where the page ends.
    void end() {
        if (block)
            readJsonLd(block->finish());
        block.reset();
    }

    std::size_t count() const { return elements.size() + openGraph.size() + jsonLd.size(); }

private:
    struct Media {
        bool audio;
        long long lines;
    };

    // A <video>, <audio> or <source>'s address: its src, else each address
    // its lazy attributes hold.
    void sources(const Attributes& attributes, long long lines) {
        const std::string_view type = attribute(attributes, "type");
        const std::string_view src = attribute(attributes, "src");
        if (!awaitsScript(src)) {
            add(elements, src, type, PageSource::Origin::Element, media.back().audio, lines);
            return;
        }
        for (const PageSources::LazyAttribute& lazy : PageSources::lazyAttributes) {
            const std::string_view value = attribute(attributes, lazy.name);
            if (looksLikeAddress(value))
                add(elements, value, trimmed(type).empty() ? lazy.type : type,
                    PageSource::Origin::Element, media.back().audio, lines);
        }
    }

    void add(std::vector<PageSource>& into, std::string_view url, std::string_view type,
             PageSource::Origin origin, bool audio, long long lines) {
        url = trimmed(url);
        if (url.empty() || count() >= PageSources::maxSources)
            return;
        PageSource source;
        source.url = std::string(url);
        source.type = std::string(trimmed(type));
        source.origin = origin;
        source.audio = audio;
        source.lines = lines;
        into.push_back(std::move(source));
    }

    // Open Graph's structured properties follow the source they describe.
    void meta(const Attributes& attributes) {
        std::string_view property = attribute(attributes, "property");
        if (property.empty())
            property = attribute(attributes, "name");
        const std::string_view content = attribute(attributes, "content");
        PageSource* last = openGraph.empty() ? nullptr : &openGraph.back();
        if (property == "og:video" || property == "og:video:url" ||
            property == "og:video:secure_url" || property == "twitter:player:stream") {
            add(openGraph, content, {}, PageSource::Origin::OpenGraph, false, 0);
        } else if (property == "og:audio" || property == "og:audio:url" ||
                   property == "og:audio:secure_url") {
            add(openGraph, content, {}, PageSource::Origin::OpenGraph, true, 0);
        } else if (last && (property == "og:video:type" || property == "og:audio:type" ||
                            property == "twitter:player:stream:content_type")) {
            last->type = std::string(trimmed(content));
        } else if (last && property == "og:video:height") {
            last->lines = NumberText::firstNumber(content);
        } else if (last && property == "og:video:width" && last->lines == 0) {
            last->lines = NumberText::firstNumber(content) * 9 / 16;
        } else if (property == "og:title" && ogTitle.empty()) {
            ogTitle = std::string(content.substr(0, maxTitleBytes));
        } else if (property == "og:site_name" && siteName.empty()) {
            siteName = std::string(content.substr(0, maxTitleBytes));
        } else if (property == "application-name" && applicationName.empty()) {
            applicationName = std::string(content.substr(0, maxTitleBytes));
        } else if (isOpenGraphImage(property) || isOpenGraphImage(attribute(attributes, "name"))) {
            keep(ogImage, content);
        } else if (sameText(attribute(attributes, "itemprop"), "thumbnailUrl")) {
            keep(linkPicture, content);
        }
    }

    void readJsonLd(JsonLdReader::Found found) {
        refused = refused || found.refused;
        keep(jsonLdPicture, found.picture);
        for (JsonLdReader::Media& media : found.media) {
            if (jsonLdName.empty())
                jsonLdName = media.name.substr(0, maxTitleBytes);
            for (const std::string& url : media.urls) {
                add(jsonLd, url, media.format, PageSource::Origin::JsonLd, media.audio,
                    media.height > 0 ? media.height : media.width * 9 / 16);
                if (!jsonLd.empty())
                    jsonLd.back().bandwidth = media.bitrate;
            }
        }
    }

    std::vector<Media> media;
    bool baseSeen = false;
    bool inTitle = false;
    std::optional<JsonLdReader> block;
};

// What a second entry of an address says that the first left unsaid.
void describeFurther(PageSource& kept, const PageSource& again) {
    if (kept.lines <= 0)
        kept.lines = again.lines;
    if (kept.type.empty())
        kept.type = again.type;
    if (kept.bandwidth <= 0)
        kept.bandwidth = again.bandwidth;
}

std::string firstWebAddress(const std::string& base, const std::vector<std::string>& links) {
    for (const std::string& link : links)
        if (std::string address = resolveAddress(base, link); isHttpAddress(address))
            return address;
    return {};
}

std::string withoutSite(std::string title, const Collector& page) {
    for (const std::string* site : {&page.siteName, &page.applicationName})
        title = SiteName::strip(title, *site);
    return title;
}

} // namespace

PageSources PageSources::read(std::string_view page, const std::string& pageAddress) {
    Collector collector;
    PageTracks tracks(collector, pageAddress);
    HtmlReader::read(page, tracks);
    collector.end();

    PageSources found;
    found.subtitles = tracks.tracks();
    // <base href> is read against the page, every source against <base>.
    std::string base = pageAddress;
    if (!collector.base.empty()) {
        const std::string resolved = resolveAddress(pageAddress, collector.base);
        if (!resolved.empty())
            base = resolved;
    }
    std::unordered_map<std::string, std::size_t> seen;
    for (std::vector<PageSource>* kind :
         {&collector.elements, &collector.openGraph, &collector.jsonLd}) {
        for (PageSource& source : *kind) {
            source.url = resolveAddress(base, source.url);
            if (!isHttpAddress(source.url))
                continue;
            const auto [at, first] = seen.emplace(source.url, found.sources.size());
            if (first)
                found.sources.push_back(std::move(source));
            else
                describeFurther(found.sources[at->second], source);
        }
    }
    found.title = !collector.ogTitle.empty()      ? withoutSite(collector.ogTitle, collector)
                  : !collector.jsonLdName.empty() ? collector.jsonLdName
                                                  : withoutSite(collector.title, collector);
    for (const std::vector<std::string>* kind :
         {&collector.ogImage, &collector.jsonLdPicture, &collector.linkPicture, &collector.poster})
        if (found.picture.empty())
            found.picture = firstWebAddress(base, *kind);
    found.refused = collector.refused;
    return found;
}

std::size_t PageSources::choose(const std::vector<PageSource>& sources, int quality) {
    std::vector<QualityChoice::Candidate> candidates;
    candidates.reserve(sources.size());
    for (const PageSource& s : sources)
        candidates.push_back({s.audio, s.lines, s.bandwidth});
    return QualityChoice::choose(candidates, quality);
}

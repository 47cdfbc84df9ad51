#include "page/PageSources.h"

#include "base/NumberText.h"
#include "page/HtmlReader.h"
#include "page/PageTracks.h"
#include "page/JsonLdReader.h"
#include "page/QualityChoice.h"
#include "page/RelativeAddress.h"

#include <cctype>
#include <charconv>
#include <unordered_set>

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

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
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

// Titles are short; a longer run of text is not kept whole.
constexpr std::size_t maxTitleBytes = 4096;

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

    void open(std::string_view name, const Attributes& attributes) override {
        if (name == "video" || name == "audio") {
            media.push_back({name == "audio", linesOf(attributes)});
            add(elements, attribute(attributes, "src"), attribute(attributes, "type"),
                PageSource::Origin::Element, media.back().audio, media.back().lines);
        } else if (name == "source" && !media.empty()) {
            const long long lines = linesOf(attributes);
            add(elements, attribute(attributes, "src"), attribute(attributes, "type"),
                PageSource::Origin::Element, media.back().audio,
                lines > 0 ? lines : media.back().lines);
        } else if (name == "meta") {
            meta(attributes);
        } else if (name == "base" && !baseSeen) {
            baseSeen = true;
            base = std::string(attribute(attributes, "href"));
        } else if (name == "title" && media.empty()) {
            inTitle = title.empty();
        } else if (name == "script") {
            inJsonLd = sameText(trimmed(attribute(attributes, "type")), "application/ld+json");
            block.clear();
            blockTooLong = false;
        }
    }

    void close(std::string_view name) override {
        if ((name == "video" || name == "audio") && !media.empty()) {
            media.pop_back();
        } else if (name == "title") {
            inTitle = false;
        } else if (name == "script" && inJsonLd) {
            inJsonLd = false;
            if (!blockTooLong)
                readJsonLd();
            block.clear();
        }
    }

    void text(std::string_view text) override {
        if (inTitle && title.size() < maxTitleBytes)
            title.append(text.substr(0, maxTitleBytes - title.size()));
        if (inJsonLd && !blockTooLong) {
            if (block.size() + text.size() > JsonLdReader::maxBytes) {
                blockTooLong = true;
                block.clear();
                block.shrink_to_fit();
            } else {
                block.append(text);
            }
        }
    }

    std::size_t count() const { return elements.size() + openGraph.size() + jsonLd.size(); }

private:
    struct Media {
        bool audio;
        long long lines;
    };

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
        }
    }

    void readJsonLd() {
        for (JsonLdReader::Media& found : JsonLdReader::read(block)) {
            if (jsonLdName.empty())
                jsonLdName = found.name.substr(0, maxTitleBytes);
            for (const std::string& url : found.urls) {
                add(jsonLd, url, found.format, PageSource::Origin::JsonLd, found.audio,
                    found.height > 0 ? found.height : found.width * 9 / 16);
                if (!jsonLd.empty())
                    jsonLd.back().bandwidth = found.bitrate;
            }
        }
    }

    std::vector<Media> media;
    bool baseSeen = false;
    bool inTitle = false;
    bool inJsonLd = false;
    bool blockTooLong = false;
    std::string block;
};

} // namespace

PageSources PageSources::read(std::string_view page, const std::string& pageAddress) {
    Collector collector;
    PageTracks tracks(collector, pageAddress);
    HtmlReader::read(page, tracks);

    PageSources found;
    found.subtitles = tracks.tracks();
    // <base href> is read against the page, every source against <base>.
    std::string base = pageAddress;
    if (!collector.base.empty()) {
        const std::string resolved = resolveAddress(pageAddress, collector.base);
        if (!resolved.empty())
            base = resolved;
    }
    std::unordered_set<std::string> seen;
    for (std::vector<PageSource>* kind :
         {&collector.elements, &collector.openGraph, &collector.jsonLd}) {
        for (PageSource& source : *kind) {
            source.url = resolveAddress(base, source.url);
            if (isHttpAddress(source.url) && seen.insert(source.url).second)
                found.sources.push_back(std::move(source));
        }
    }
    found.title = !collector.ogTitle.empty()      ? collector.ogTitle
                  : !collector.jsonLdName.empty() ? collector.jsonLdName
                                                  : collector.title;
    return found;
}

std::size_t PageSources::choose(const std::vector<PageSource>& sources, int quality) {
    std::vector<QualityChoice::Candidate> candidates;
    candidates.reserve(sources.size());
    for (const PageSource& s : sources)
        candidates.push_back({s.audio, s.lines, s.bandwidth});
    return QualityChoice::choose(candidates, quality);
}

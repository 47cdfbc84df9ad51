#include "page/PageVideos.h"

#include "base/HttpAddress.h"
#include "page/HtmlReader.h"
#include "page/JsonLdReader.h"
#include "page/RelativeAddress.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <numeric>
#include <unordered_map>

namespace {

using Attributes = HtmlReader::Attributes;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string_view attribute(const Attributes& attributes, std::string_view name) {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return value;
    return {};
}

constexpr std::size_t maxNameBytes = 4096;
// Beyond this many, a page's further elements are read as the last one.
constexpr std::size_t maxVideos = 10000;

// One video as the markup names it: what it says its addresses are and
// its name. Addresses stay as written until <base> is known.
struct Named {
    std::vector<std::string> references;
    std::string name;
    bool element = false;
};

class Collector : public HtmlReader::Handler {
public:
    std::vector<Named> videos;
    std::string base;
    std::size_t jsonLdObjects = 0;

    void open(std::string_view name, const Attributes& attributes) override {
        if (name == "video" || name == "audio") {
            if (videos.size() < maxVideos)
                videos.push_back({{}, elementName(attributes), true});
            open_.push_back(videos.size() - 1);
            addAll(attributes);
        } else if (name == "source" && !open_.empty()) {
            addAll(attributes);
        } else if (name == "base" && !baseSeen_) {
            baseSeen_ = true;
            base = std::string(attribute(attributes, "href"));
        } else if (name == "script") {
            inJsonLd_ = trimmed(attribute(attributes, "type")) == "application/ld+json";
            block_ = inJsonLd_ ? std::make_unique<JsonLdReader>() : nullptr;
        }
    }

    void close(std::string_view name) override {
        if ((name == "video" || name == "audio") && !open_.empty()) {
            open_.pop_back();
        } else if (name == "script" && inJsonLd_) {
            inJsonLd_ = false;
            readJsonLd();
            block_.reset();
        }
    }

    void text(std::string_view text) override {
        if (inJsonLd_ && block_)
            block_->feed(text);
    }

private:
    static std::string elementName(const Attributes& attributes) {
        for (const char* name : {"title", "aria-label", "data-title", "data-name"}) {
            const std::string_view value = trimmed(attribute(attributes, name));
            if (!value.empty())
                return std::string(value.substr(0, maxNameBytes));
        }
        return {};
    }

    // Whichever attribute a player reads its address from: any value that
    // is one of the page's sources' addresses puts that source here.
    void addAll(const Attributes& attributes) {
        Named& video = videos[open_.back()];
        for (const auto& [key, value] : attributes) {
            const std::string_view text = trimmed(value);
            if (!text.empty() && text.size() < 8192 && key != "type" && key != "class")
                video.references.emplace_back(text);
        }
    }

    void readJsonLd() {
        if (!block_)
            return;
        for (JsonLdReader::Media& found : block_->finish().media) {
            ++jsonLdObjects;
            if (videos.size() < maxVideos)
                videos.push_back(
                    {std::move(found.urls), found.name.substr(0, maxNameBytes), false});
        }
    }

    std::vector<std::size_t> open_;
    bool baseSeen_ = false;
    bool inJsonLd_ = false;
    // The JSON-LD block being read, as it arrives.
    std::unique_ptr<JsonLdReader> block_;
};

// Sets of videos that turned out to be one.
class Joined {
public:
    explicit Joined(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
    std::size_t find(std::size_t i) {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    // The earlier one stands for both, so that the page's order holds.
    void join(std::size_t a, std::size_t b) {
        a = find(a);
        b = find(b);
        if (a > b)
            std::swap(a, b);
        parent_[b] = a;
    }

private:
    std::vector<std::size_t> parent_;
};

} // namespace

std::vector<PageVideos::Video> PageVideos::read(std::string_view page,
                                                const std::string& pageAddress,
                                                const std::vector<PageSource>& sources) {
    Collector collector;
    HtmlReader::read(page, collector);
    std::string base = pageAddress;
    if (!collector.base.empty()) {
        const std::string resolved = resolveAddress(pageAddress, collector.base);
        if (!resolved.empty())
            base = resolved;
    }
    std::vector<Named>& named = collector.videos;
    // Which video names each address first; a later one naming it too is
    // the same video.
    std::unordered_map<std::string, std::size_t> at;
    for (const PageSource& source : sources)
        at.emplace(source.url, named.size());
    Joined joined(named.size());
    // Whether each names a source at all, and one another names too.
    std::vector<bool> plays(named.size(), false);
    std::vector<bool> shared(named.size(), false);
    for (std::size_t v = 0; v < named.size(); ++v) {
        for (const std::string& reference : named[v].references) {
            const std::string url = resolveAddress(base, reference);
            const auto found = at.find(url);
            if (url.empty() || found == at.end())
                continue;
            plays[v] = true;
            if (found->second == named.size()) {
                found->second = v;
            } else if (joined.find(found->second) != joined.find(v)) {
                shared[v] = shared[found->second] = true;
                joined.join(found->second, v);
            }
        }
    }
    // One JSON-LD object beside the page's players, naming none of their
    // addresses, describes the one they play.
    std::size_t firstElement = named.size();
    for (std::size_t v = 0; v < named.size() && firstElement == named.size(); ++v)
        if (named[v].element && plays[v])
            firstElement = v;
    if (collector.jsonLdObjects == 1 && firstElement < named.size())
        for (std::size_t v = 0; v < named.size(); ++v)
            if (!named[v].element && !shared[v])
                joined.join(firstElement, v);

    std::vector<Video> videos;
    std::unordered_map<std::size_t, std::size_t> videoOf;
    std::vector<std::size_t> loose;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::size_t v = at[sources[i].url];
        if (v == named.size()) {
            loose.push_back(i);
            continue;
        }
        const std::size_t root = joined.find(v);
        const auto [it, added] = videoOf.emplace(root, videos.size());
        if (added)
            videos.push_back({});
        videos[it->second].sources.push_back(i);
    }
    // A video's name: its element's, else the first its other entries give.
    for (std::size_t v = 0; v < named.size(); ++v) {
        const auto it = videoOf.find(joined.find(v));
        if (it != videoOf.end() && videos[it->second].name.empty())
            videos[it->second].name = std::string(trimmed(named[v].name));
    }
    if (!loose.empty()) {
        if (videos.empty())
            videos.push_back({});
        std::vector<std::size_t>& first = videos.front().sources;
        first.insert(first.end(), loose.begin(), loose.end());
        std::sort(first.begin(), first.end());
    }
    return videos;
}

std::string PageVideos::title(const Video& video, std::size_t index, std::size_t count,
                              const std::string& pageTitle) {
    if (!video.name.empty())
        return video.name;
    if (count < 2)
        return pageTitle;
    return pageTitle + " (" + std::to_string(index + 1) + ")";
}

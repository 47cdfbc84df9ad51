#pragma once

#include "page/PageSource.h"
#include "page/SubtitleTrack.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every video or sound a page names beyond its stream map, read with a real
// HTML parser (HtmlReader) and JSON-LD as it streams (JsonLdReader), in the
// order a download takes them: <video>/<audio> and their <source> children
// (their src, else the attributes players fill it from), then Open Graph
// and Twitter's player stream, then JSON-LD VideoObject/AudioObject. Each
// address is read against the page's own and its <base href>; only http(s)
// addresses are kept (never file:, data:, javascript: or ftp:), each once
// with the best of what its entries say of it, at most maxSources.
class PageSources {
public:
    static PageSources read(std::string_view page, const std::string& pageAddress);

    // The index of the source a quality asks for: among the videos (the
    // sounds when there are none), 4 the smallest, 1 the largest, 2 the
    // largest at or under 720 lines, 3 at or under 480 (the smallest when
    // none is), by lines, else bandwidth; with neither known, the first
    // the page gives. sources must not be empty.
    static std::size_t choose(const std::vector<PageSource>& sources, int quality);

    std::vector<PageSource> sources;
    // The subtitle tracks its players name (PageTracks).
    std::vector<SubtitleTrack> subtitles;
    // The page's title beyond its headline: og:title, else the JSON-LD
    // name, else <title>, the first and last without the site's name
    // (SiteName) when the page names its site; as written (the caller
    // cleans it); empty when none.
    std::string title;
    // The picture the page shows for its video (an MP3's cover): Open
    // Graph's image, else JSON-LD's, else a thumbnail link, else the
    // <video>'s poster; an http(s) address, empty when none.
    std::string picture;
    // A JSON-LD block was beyond the reader's bounds: what it named is not
    // known, so the page cannot be said to have no more.
    bool refused = false;

    static constexpr std::size_t maxSources = 10000;

    // Where players keep an element's address when its src is empty (they
    // fill it from script), in the order they are taken, and the type each
    // implies (empty: its address says).
    struct LazyAttribute {
        std::string_view name;
        std::string_view type;
    };
    static constexpr std::array<LazyAttribute, 14> lazyAttributes{{
        {"data-src", {}},
        {"data-video-src", {}},
        {"data-lazy-src", {}},
        {"data-hls", "application/vnd.apple.mpegurl"},
        {"data-hls-src", "application/vnd.apple.mpegurl"},
        {"data-dash", "application/dash+xml"},
        {"data-mp4", "video/mp4"},
        {"data-webm", "video/webm"},
        {"data-video", {}},
        {"data-video-url", {}},
        {"data-url", {}},
        {"data-source", {}},
        {"data-file", {}},
        {"data-stream", {}},
    }};
};

#pragma once

#include "page/PageSource.h"
#include "page/SubtitleTrack.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every video or sound a page names beyond its stream map, read with a real
// HTML parser (HtmlReader) and JSON-LD with a real JSON parser
// (JsonLdReader), in the order a download takes them: <video>/<audio> and
// their <source> children, then Open Graph and Twitter's player stream,
// then JSON-LD VideoObject/AudioObject. Each address is read against the
// page's own and its <base href>; only http(s) addresses are kept (never
// file:, data:, javascript: or ftp:), each once, at most maxSources.
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
    // name, else <title>; as written (the caller cleans it); empty when
    // none.
    std::string title;

    static constexpr std::size_t maxSources = 10000;
};

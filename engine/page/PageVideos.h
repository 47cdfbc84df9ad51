#pragma once

#include "page/PageSource.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The videos a page plays, each of its own: a <video> or <audio> element
// (whatever its attributes and its <source>s' name), a JSON-LD VideoObject or
// AudioObject (an ItemList's items too). A page's sources (PageSources) are
// sorted into them by address: entries naming one address are one video, a
// lone JSON-LD object that names none of the elements' is the element's
// video told another way, and what no video names (Open Graph, a script's
// request) is the first one's. Read with the same parsers as the sources.
class PageVideos {
public:
    struct Video {
        // Its own name as the page gives it (a title or label on the element,
        // the JSON-LD name); empty when none.
        std::string name;
        // Indexes into the sources it was sorted from, in their order.
        std::vector<std::size_t> sources;
    };

    static std::vector<Video> read(std::string_view page, const std::string& pageAddress,
                                   const std::vector<PageSource>& sources);

    // What video `index` (from 0) of `count` is called: its name, else the
    // page's title with its number, "Clip (2)"; a page's only video keeps the
    // page's title.
    static std::string title(const Video& video, std::size_t index, std::size_t count,
                             const std::string& pageTitle);
};

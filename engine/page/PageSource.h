#pragma once

#include <string>

// One video or sound a page names beyond its stream map: where it was found,
// its address (absolute, http or https), its type as the page gives it, and
// what is known of its size.
struct PageSource {
    // Request: not in the page's text, but asked for by its scripts.
    enum class Origin { Element, OpenGraph, JsonLd, Request };

    std::string url;
    Origin origin = Origin::Element;
    // MIME type or format as given ("video/mp4", "mp4"); may be empty.
    std::string type;
    bool audio = false;
    // The picture's height in lines (or read from res, size, data-quality,
    // a label such as "720p"); 0 when unknown.
    long long lines = 0;
    // Bits a second, when the page says; 0 when unknown.
    long long bandwidth = 0;

    // For a list to pick from: "720p MP4", "Audio M4A", "WebM", "Video".
    std::string label() const;
    // The container the type or the address's extension names, as a file
    // extension without its dot ("mp4", "webm", "m4a"...); empty when
    // neither says.
    std::string container() const;
    // An HLS playlist or a DASH manifest, by its type or extension.
    bool stream() const;
};

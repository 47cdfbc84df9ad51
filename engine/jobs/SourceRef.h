#pragma once

#include <string>

struct PageSource;

// The source a transfer saves, as its record keeps it: where it was found,
// the label it is listed by, and the address it had when last seen (a
// signed address may expire; the label is what a resume finds it by again).
struct SourceRef {
    enum class Kind {
        None,
        StreamMap, // the page's legacy stream map
        Direct,    // the page's address is the media itself
        // A page source (PageSource::Origin), by where the page names it.
        Element,
        OpenGraph,
        JsonLd,
        Request,
    };

    Kind kind = Kind::None;
    std::string label;
    std::string url;

    // A page's source as a transfer is bound to it.
    static SourceRef of(const PageSource& source);
    bool empty() const { return kind == Kind::None && label.empty() && url.empty(); }
};

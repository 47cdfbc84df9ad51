#pragma once

#include <string>

// The ways today's pages name their video, one watch page form each.
enum class PageKind {
    Video,
    OpenGraph,
    JsonLd,
    Direct,
    Cookie,
    Referer,
    Hls,
    Dash,
    Script,
    Blob,
    // As players write them: an address a script fills in, several videos,
    // subtitle tracks, a key system's protection, and a page without video.
    Lazy,
    Several,
    Tracks,
    Protected,
    NoVideo,
};

// One form as the search and splash pages list it: a page of that form for
// one demo clip, with a note of what the form is.
struct PageForm {
    PageKind kind;
    std::string clipId;
    std::string note; // plain text, escaped where it is shown
};

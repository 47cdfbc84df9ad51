#pragma once

#include <string>

// The containers the site serves: FLV (flv1 video, MP3 audio) under the
// stream key "5", MP4 (H.264/AAC) under every other key, and WebM (VP8/Vorbis)
// for the Media Source player of a browser that may have no H.264.
enum class Container { Flv, Mp4, WebM };

// The frame height of the streams the legacy watch pages offer; the pages of
// today's forms add larger sizes.
inline constexpr int kLegacyLines = 180;

// One demo clip with its own watch page.
struct DemoClip {
    std::string id;    // the watch page's v=, [a-z0-9]+
    std::string title; // UTF-8; never holds '%' (the program percent-decodes whole pages)
    std::string about; // one line for the search results
    int seconds = 0;
    bool flvOnly = false; // the stream map offers only key "5"
    std::string source;   // ffmpeg lavfi video source
    int toneHz = 440;     // the sine under it
};

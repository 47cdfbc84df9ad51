#pragma once

#include <string>
#include <vector>

// An HLS or DASH stream to be saved as one file: what ffmpeg reads, which
// of its tracks it keeps, and what a browser would send with each request.
struct StreamRequest {
    enum class Kind { Hls, Dash };
    // The demuxer every input is read with.
    Kind kind = Kind::Hls;
    // http(s) addresses: the media playlist or MPD, and optionally a
    // separate audio playlist (ffmpeg's inputs 0 and 1).
    std::vector<std::string> inputs;
    // ffmpeg's -map values, e.g. "0:v:1" and "0:a:0", or "0:v:0?" and "1:a:0".
    std::vector<std::string> maps;
    // Seconds, as the manifest says; 0 when it does not.
    double duration = 0;
    // Sound only: the file must have a sound track.
    bool audioOnly = false;
    // The page the stream plays on, and the browser's user agent (empty:
    // ffmpeg's own).
    std::string referer;
    std::string userAgent;
    // Netscape cookie-file lines (FetchBounds::cookies); each reaches only
    // its own host.
    std::vector<std::string> cookies;
};

#pragma once

#include <string_view>

// Whether an answer is an HLS playlist or a DASH manifest, from what came
// with it: its first bytes decide ("#EXTM3U", an <MPD> root), then its
// content type; the address's extension (.m3u8, .mpd) only when neither
// says anything (no bytes yet and a type such as
// application/octet-stream). HlsPlaylist and DashManifest read it.
class StreamManifest {
public:
    enum class Kind { None, Hls, Dash };

    static Kind recognise(std::string_view contentType, std::string_view firstBytes,
                          std::string_view address);
};

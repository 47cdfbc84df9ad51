#pragma once

#include <string>

// The front cover an MP3 carries in its ID3v2 tag (an APIC frame), as the
// conversions write it: versions 2.3 and 2.4, without unsynchronisation.
// Reads the tag only, never the sound; bounded in size.
class Mp3Cover {
public:
    Mp3Cover() = delete;

    struct Picture {
        // "image/jpeg", "image/png"; empty when there is no cover.
        std::string type;
        std::string bytes;
    };

    // The first picture of the tag (the front cover when several), or none.
    static Picture read(const std::string& path);

    // A tag larger than this is not read.
    static constexpr std::size_t maxTagBytes = std::size_t{16} << 20;
};

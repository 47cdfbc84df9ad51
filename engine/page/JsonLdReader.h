#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The media a JSON-LD block names: every VideoObject and AudioObject, at
// any depth (in @graph, arrays, nested objects), with its contentUrl (one
// or several), name, size and format. Read with nlohmann-json's SAX
// interface, so that no tree of the block is built; a block over maxBytes
// or nested deeper than maxDepth is skipped (what was found before the
// depth ran out stays).
class JsonLdReader {
public:
    struct Media {
        bool audio = false;
        std::vector<std::string> urls;
        std::string name;
        std::string format; // encodingFormat: "video/mp4", "mp4"...
        long long width = 0;
        long long height = 0;
        long long bitrate = 0;
    };

    static std::vector<Media> read(std::string_view block);

    static constexpr std::size_t maxBytes = std::size_t{1} << 20;
    static constexpr std::size_t maxDepth = 256;
};

#pragma once

#include "page/JsonStream.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The media a JSON-LD block names: every VideoObject and AudioObject, at
// any depth (in @graph, arrays, nested objects), with its contentUrl (one
// or several), name, size and format, and the pictures the block names
// (thumbnailUrl, thumbnail, image: an address, a list of them, or an
// ImageObject's contentUrl or url). Read as the block arrives (JsonStream),
// so that a block as large as its page costs only its nesting; one nested
// deeper than maxDepth is refused (what was found before stays).
class JsonLdReader : private JsonStream::Handler {
public:
    struct Media {
        bool audio = false;
        std::vector<std::string> urls;
        std::string name;
        std::string format; // encodingFormat: "video/mp4", "mp4"...
        long long width = 0;
        long long height = 0;
        long long bitrate = 0;
        std::string picture; // its own thumbnail or image, as written
    };
    struct Found {
        std::vector<Media> media;
        // The first picture of a media object, else the first thumbnail,
        // else the first image, of anything in the block; as written.
        std::string picture;
        bool refused = false;
    };

    JsonLdReader();
    JsonLdReader(const JsonLdReader&) = delete;
    JsonLdReader& operator=(const JsonLdReader&) = delete;

    void feed(std::string_view text);
    Found finish();

    // A whole block at once.
    static Found read(std::string_view block);

    static constexpr std::size_t maxDepth = 256;

private:
    struct Frame {
        bool object = false;
        std::string key;
        bool media = false;
        bool typed = false; // its @type names something else than an image
        Media found;
        std::string url;
        std::string thumbnail;
        std::string image;
    };

    void startObject() override;
    void endObject() override;
    void startArray() override;
    void endArray() override;
    void key(std::string_view name) override;
    void string(std::string_view text, bool cut) override;
    void number(std::string_view text) override;
    void literal() override {}

    Frame* owner();
    void size(long long n);
    void picture(std::string_view address);

    JsonStream stream_;
    std::vector<Frame> frames_;
    Found found_;
    std::string thumbnail_;
    std::string image_;
};

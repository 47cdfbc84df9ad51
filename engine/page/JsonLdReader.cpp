#include "page/JsonLdReader.h"

#include "base/NumberText.h"

#include <nlohmann/json.hpp>

#include <charconv>

namespace {

using json = nlohmann::json;

// Walks the events; each open object or array is a frame.
class MediaSax {
public:
    std::vector<JsonLdReader::Media> found;

    bool null() { return true; }
    bool boolean(bool) { return true; }
    bool number_integer(json::number_integer_t n) { return number(n); }
    bool number_unsigned(json::number_unsigned_t n) { return number(static_cast<long long>(n)); }
    bool number_float(json::number_float_t n, const json::string_t&) {
        // A size past any screen (or not a number) is no size.
        return number(n > -1e15 && n < 1e15 ? static_cast<long long>(n) : 0);
    }
    bool binary(json::binary_t&) { return true; }
    bool string(json::string_t& text) {
        Frame* object = owner();
        if (!object)
            return true;
        const std::string& key = object->key;
        if (key == "@type") {
            if (text == "VideoObject" || text == "AudioObject") {
                object->media = true;
                object->found.audio = text == "AudioObject";
            }
        } else if (key == "contentUrl") {
            object->found.urls.push_back(text);
        } else if (key == "name" && object->found.name.empty()) {
            object->found.name = text;
        } else if (key == "encodingFormat") {
            object->found.format = text;
        } else {
            number(NumberText::firstNumber(text));
        }
        return true;
    }
    bool start_object(std::size_t) { return push(true); }
    bool key(json::string_t& name) {
        frames.back().key = name;
        return true;
    }
    bool end_object() {
        Frame done = std::move(frames.back());
        frames.pop_back();
        if (done.media && !done.found.urls.empty())
            found.push_back(std::move(done.found));
        return true;
    }
    bool start_array(std::size_t) { return push(false); }
    bool end_array() {
        frames.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        return false;
    }

private:
    struct Frame {
        bool object = false;
        std::string key;
        bool media = false;
        JsonLdReader::Media found;
    };

    bool push(bool object) {
        if (frames.size() >= JsonLdReader::maxDepth)
            return false;
        frames.push_back(Frame{object, {}, false, {}});
        return true;
    }
    // The object a value belongs to: the innermost one, or the one whose
    // key holds an array of values ("@type": [...], "contentUrl": [...]).
    Frame* owner() {
        if (frames.empty())
            return nullptr;
        if (frames.back().object)
            return &frames.back();
        if (frames.size() >= 2 && frames[frames.size() - 2].object)
            return &frames[frames.size() - 2];
        return nullptr;
    }
    bool number(long long n) {
        Frame* object = owner();
        if (!object)
            return true;
        if (object->key == "width")
            object->found.width = n;
        else if (object->key == "height")
            object->found.height = n;
        else if (object->key == "bitrate")
            object->found.bitrate = n;
        return true;
    }

    std::vector<Frame> frames;
};

} // namespace

std::vector<JsonLdReader::Media> JsonLdReader::read(std::string_view block) {
    if (block.size() > maxBytes)
        return {};
    MediaSax sax;
    json::sax_parse(block.begin(), block.end(), &sax, json::input_format_t::json, false);
    return std::move(sax.found);
}

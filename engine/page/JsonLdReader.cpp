#include "page/JsonLdReader.h"

#include "base/NumberText.h"

#include <charconv>
#include <utility>

namespace {

bool isPictureKey(std::string_view key) {
    return key == "thumbnailUrl" || key == "thumbnail" || key == "image";
}

// A number as JSON writes it; a size past any screen (or none) is 0.
long long numberOf(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !(value > -1e15 && value < 1e15))
        return 0;
    return static_cast<long long>(value);
}

} // namespace

JsonLdReader::JsonLdReader() : stream_(*this, maxDepth) {}

void JsonLdReader::feed(std::string_view text) {
    stream_.feed(text);
}

JsonLdReader::Found JsonLdReader::finish() {
    stream_.finish();
    found_.refused = stream_.state() == JsonStream::State::TooDeep;
    if (found_.picture.empty())
        found_.picture = !thumbnail_.empty() ? thumbnail_ : image_;
    frames_.clear();
    return std::move(found_);
}

JsonLdReader::Found JsonLdReader::read(std::string_view block) {
    JsonLdReader reader;
    reader.feed(block);
    return reader.finish();
}

void JsonLdReader::startObject() {
    frames_.push_back(Frame{});
    frames_.back().object = true;
}

void JsonLdReader::endObject() {
    Frame done = std::move(frames_.back());
    frames_.pop_back();
    const std::string& ownPicture = !done.thumbnail.empty() ? done.thumbnail : done.image;
    if (done.media) {
        if (done.found.urls.empty())
            return;
        if (found_.picture.empty())
            found_.picture = ownPicture;
        done.found.picture = ownPicture;
        found_.media.push_back(std::move(done.found));
        return;
    }
    if (thumbnail_.empty())
        thumbnail_ = done.thumbnail;
    if (image_.empty())
        image_ = done.image;
    // An ImageObject (or an object of no type) where a picture goes stands
    // for its address.
    Frame* parent = owner();
    if (!done.typed && parent && isPictureKey(parent->key))
        picture(!done.found.urls.empty() ? done.found.urls.front() : done.url);
}

void JsonLdReader::startArray() {
    frames_.push_back(Frame{});
}

void JsonLdReader::endArray() {
    frames_.pop_back();
}

void JsonLdReader::key(std::string_view name) {
    frames_.back().key = std::string(name);
}

void JsonLdReader::string(std::string_view text, bool cut) {
    Frame* object = owner();
    if (!object)
        return;
    const std::string& key = object->key;
    if (key == "@type") {
        if (text == "VideoObject" || text == "AudioObject") {
            object->media = true;
            object->found.audio = text == "AudioObject";
        }
        if (text != "ImageObject")
            object->typed = true;
    } else if (key == "name") {
        if (object->found.name.empty())
            object->found.name = std::string(text);
    } else if (cut) {
        // Cut short: no address, no format.
    } else if (key == "contentUrl") {
        object->found.urls.emplace_back(text);
    } else if (key == "url") {
        if (object->url.empty())
            object->url = std::string(text);
    } else if (key == "encodingFormat") {
        object->found.format = std::string(text);
    } else if (isPictureKey(key)) {
        picture(text);
    } else {
        size(NumberText::firstNumber(text));
    }
}

void JsonLdReader::number(std::string_view text) {
    size(numberOf(text));
}

// The object a value belongs to: the innermost one, or the one whose key
// holds an array of values ("@type": [...], "contentUrl": [...]).
JsonLdReader::Frame* JsonLdReader::owner() {
    if (frames_.empty())
        return nullptr;
    if (frames_.back().object)
        return &frames_.back();
    if (frames_.size() >= 2 && frames_[frames_.size() - 2].object)
        return &frames_[frames_.size() - 2];
    return nullptr;
}

void JsonLdReader::size(long long n) {
    Frame* object = owner();
    if (!object)
        return;
    if (object->key == "width")
        object->found.width = n;
    else if (object->key == "height")
        object->found.height = n;
    else if (object->key == "bitrate")
        object->found.bitrate = n;
}

void JsonLdReader::picture(std::string_view address) {
    Frame* object = owner();
    if (!object || address.empty())
        return;
    std::string& into = object->key == "image" ? object->image : object->thumbnail;
    if (into.empty())
        into = std::string(address);
}

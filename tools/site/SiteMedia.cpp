#include "tools/site/SiteMedia.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

namespace {

// The type of the bytes by their signature, else the one the address names.
std::string contentType(const std::string& bytes, Container named) {
    if (bytes.compare(0, 3, "FLV") == 0)
        return "video/x-flv";
    if (bytes.size() >= 8 && bytes.compare(4, 4, "ftyp") == 0)
        return "video/mp4";
    if (bytes.compare(0, 4, "\x1a\x45\xdf\xa3") == 0)
        return "video/webm";
    return named == Container::Flv    ? "video/x-flv"
           : named == Container::WebM ? "video/webm"
                                      : "video/mp4";
}

// A strong entity tag of a stream: its size and a hash of samples across
// it. A clip's bytes never change while they are served, and a clip made
// again gets another tag, so a transfer continued against it starts over.
std::string entityTag(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](unsigned char c) { hash = (hash ^ c) * 1099511628211ull; };
    constexpr std::size_t samples = 4096;
    const std::size_t step = std::max<std::size_t>(1, bytes.size() / samples);
    for (std::size_t i = 0; i < bytes.size(); i += step)
        mix(static_cast<unsigned char>(bytes[i]));
    for (std::size_t i = bytes.size() > samples ? bytes.size() - samples : 0; i < bytes.size(); ++i)
        mix(static_cast<unsigned char>(bytes[i]));
    char tag[64];
    std::snprintf(tag, sizeof tag, "\"%zx-%016llx\"", bytes.size(),
                  static_cast<unsigned long long>(hash));
    return tag;
}

// Serves bytes without copying them per request; httplib answers Range and
// HEAD requests from the provider and the length. A rate sends a tenth of it
// every 100 ms, so that transfers can be watched, cancelled, paused and timed
// on one machine.
void serveBytes(const httplib::Request& req, httplib::Response& res,
                std::shared_ptr<const std::string> bytes, const std::string& type, long rate) {
    res.set_header("Accept-Ranges", "bytes");
    const std::string tag = entityTag(*bytes);
    res.set_header("ETag", tag);
    // A range for another version of the stream: the whole of this one.
    // httplib applies the request's ranges after the handler, from the
    // request it owns (not const there).
    if (req.has_header("If-Range") && req.get_header_value("If-Range") != tag)
        const_cast<httplib::Request&>(req).ranges.clear();
    const std::size_t size = bytes->size();
    const std::size_t slice = rate > 0 ? std::max<std::size_t>(1, rate / 10) : 0;
    res.set_content_provider(
        size, type.c_str(),
        [bytes, slice](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (offset > bytes->size())
                return false;
            length = std::min(length, bytes->size() - offset);
            if (slice) {
                length = std::min(length, slice);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            return sink.write(bytes->data() + offset, length);
        });
}

} // namespace

SiteMedia::SiteMedia(ClipCache& cache, std::shared_ptr<const std::string> given, long rate)
    : cache_(cache), given_(std::move(given)), rate_(rate) {}

void SiteMedia::answer(const httplib::Request& req, httplib::Response& res, const DemoClip& clip,
                       Container container, int lines) {
    auto bytes = given_ ? given_ : cache_.get(clip, container, lines);
    if (!bytes) {
        res.status = 503;
        res.set_content("ffmpeg could not make this clip\n", "text/plain");
        return;
    }
    serveBytes(req, res, bytes, contentType(*bytes, container), rate_);
}

void SiteMedia::send(const httplib::Request& req, httplib::Response& res,
                     std::shared_ptr<const std::string> bytes, const std::string& type) {
    serveBytes(req, res, std::move(bytes), type, rate_);
}

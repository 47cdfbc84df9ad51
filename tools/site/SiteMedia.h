#pragma once

#include "tools/site/ClipCache.h"
#include "tools/site/DemoClip.h"

#include <httplib.h>

#include <memory>
#include <string>

// Answers for the clips' media: the given file when the site was started
// with one, else the clip made by the cache. Every answer carries its length,
// a strong entity tag and byte ranges, so that a paused or stopped transfer
// continues where it was.
class SiteMedia {
public:
    // given: the bytes that answer for every stream, or null. rate: bytes a
    // second for each answer, 0 for as fast as it goes.
    SiteMedia(ClipCache& cache, std::shared_ptr<const std::string> given, long rate);

    // Serves clip in container, lines high; 503 when ffmpeg cannot make it.
    void answer(const httplib::Request& req, httplib::Response& res, const DemoClip& clip,
                Container container, int lines = kLegacyLines);
    // Serves bytes as type, likewise.
    void send(const httplib::Request& req, httplib::Response& res,
              std::shared_ptr<const std::string> bytes, const std::string& type);

private:
    ClipCache& cache_;
    std::shared_ptr<const std::string> given_;
    long rate_;
};

#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class CancelToken;
class PartFile;
struct JobOptions;

// An MP3's front cover: the picture a watch page shows (PagePicture),
// fetched by the rules pages are (HttpFetch: http(s) only, redirects and
// time limits), at most maxBytes, taken only when both its Content-Type
// (image/...) and its first bytes say it is a picture, and made a JPEG by
// ffmpeg (which takes no WebP or broken picture as a cover) in a temporary
// file of ours, removed with this object. Anything that goes wrong leaves
// no cover, never an error.
//
// Blocking; runs on the job's worker thread.
class CoverArt {
public:
    CoverArt();
    ~CoverArt();
    CoverArt(const CoverArt&) = delete;
    CoverArt& operator=(const CoverArt&) = delete;

    // The picture at url. True when jpeg() is a cover now.
    bool fetch(const JobOptions& options, const std::string& url, const CancelToken* cancel);
    // The picture of the watch page at options.pageUrl, fetched again.
    bool fetchFromPage(const JobOptions& options, const CancelToken* cancel);

    // The cover's JPEG file; empty when there is none.
    std::string jpeg() const;

    // The demuxer ffmpeg is to read a picture starting with head as
    // ("jpeg_pipe", "png_pipe", "gif", "webp_pipe", "bmp_pipe"); empty for
    // anything else.
    static std::string format(std::string_view head);

    static constexpr std::size_t maxBytes = std::size_t{5} << 20;

private:
    std::unique_ptr<PartFile> cover;
};

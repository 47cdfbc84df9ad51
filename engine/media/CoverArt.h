#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class CancelToken;
class StagedFile;

// An MP3's front cover: a picture (CoverFetch brings the one a watch page
// shows), taken only when its first bytes say it is a picture, and made a
// JPEG by ffmpeg (which takes no WebP or broken picture as a cover, and
// decodes none of more than maxCoverPixels) in a temporary file of ours,
// removed with this object. Anything that goes wrong leaves no cover,
// never an error.
//
// Blocking; runs on the job's worker thread.
class CoverArt {
public:
    CoverArt();
    ~CoverArt();
    CoverArt(const CoverArt&) = delete;
    CoverArt& operator=(const CoverArt&) = delete;

    // The cover made of picture, a picture file's bytes. True when jpeg()
    // is a cover now.
    bool make(const std::string& picture, const CancelToken* cancel);

    // The cover's JPEG file; empty when there is none.
    std::string jpeg() const;

    // The demuxer ffmpeg is to read a picture starting with head as
    // ("jpeg_pipe", "png_pipe", "gif", "webp_pipe", "bmp_pipe"); empty for
    // anything else.
    static std::string format(std::string_view head);

private:
    std::unique_ptr<StagedFile> cover;
};

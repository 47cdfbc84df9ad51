#pragma once

#include "base/Reason.h"

#include <cstdint>
#include <functional>
#include <string>

class CancelToken;

// Makes a media file playable by the browser pane without ever changing it:
// files the pane decodes (H.264/AAC MP4, MP3, WebM) play as they are; any
// other file gets a copy made by ffmpeg, remuxed into MP4 (+faststart) when
// its codecs allow (H.264 with AAC or MP3), transcoded (libx264 veryfast,
// AAC) otherwise. Copies live in one cache folder, named by the source's
// path, size and modification time, are reused on the next play and pruned
// beyond a size bound, least recently played first. A copy is written to a
// temporary file and renamed into place only when ffmpeg succeeded, so the
// cache never holds a half-written copy.
//
// Blocking and Qt-free: prepare() runs on a worker thread; only the
// CancelToken is shared with other threads.
class PlayableCopy {
public:
    enum class Way { AsIs, Cached, Remux, Transcode };
    enum class Outcome { Ready, Failed, Cancelled };

    struct Result {
        Outcome outcome = Outcome::Failed;
        Way way = Way::AsIs;
        // The file to play: the source itself or its copy in the cache.
        std::string path;
        // Why it failed; its words are made by whoever shows it.
        Reason reason = Reason::None;
        // Goes with the reason where it has one (the system's words).
        std::string detail;
    };

    // done and total in seconds of media; total is 0 while unknown.
    using Progress = std::function<void(double done, double total)>;

    static constexpr std::uintmax_t DefaultLimit = std::uintmax_t{2} << 30;

    explicit PlayableCopy(std::string cacheFolder, std::uintmax_t limitBytes = DefaultLimit);

    // Runs on the caller's (worker) thread until the file is ready, ffmpeg
    // failed or the token was cancelled.
    Result prepare(const std::string& media, const Progress& progress = {},
                   const CancelToken* cancel = nullptr) const;

    // The copy of media already in the cache, marked as played now, or an
    // empty text. No ffmpeg.
    std::string cachedCopy(const std::string& media) const;

    const std::string& folder() const { return cacheFolder; }

private:
    std::string cacheFolder;
    std::uintmax_t limit;
};

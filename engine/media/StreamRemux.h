#pragma once

#include "media/StreamRequest.h"

#include <functional>
#include <string>

class CancelToken;

// Saves an HLS or DASH stream as one MP4 (or M4A) with ffmpeg: it fetches
// the parts and copies the mapped tracks as they are (FfmpegArguments'
// rules: http(s) only, the stream's demuxers only). The file counts only
// when ffmpeg exited 0 having skipped no part (its demuxers log a part
// they could not open and go on), and ffprobe finds in it a picture or
// sound track (sound for a sound-only request) lasting as long as the
// manifest says, within durationSlack.
//
// Blocking; runs on the job's worker thread, where its progress is
// reported. Only the CancelToken is shared with other threads.
class StreamRemux {
public:
    enum class Outcome { Ok, Cancelled, FfmpegMissing, Failed, CheckFailed };

    // How far the file's length may be from the manifest's, in seconds.
    static constexpr double durationSlack = 1.0;

    // Seconds of the stream written so far and the file's bytes, as ffmpeg
    // says them (each 0 until it does).
    using Progress = std::function<void(double seconds, long long bytes)>;

    // Writes the stream into output, a file of the caller's that ffmpeg
    // replaces; stallSeconds: a read that receives nothing this long fails.
    static Outcome run(const StreamRequest& request, long stallSeconds, const std::string& output,
                       const CancelToken* cancel, const Progress& progress = {});

    // True for a line of ffmpeg's log that says a part of the stream was
    // left out or cut short.
    static bool reportsLostPart(const std::string& line);
};

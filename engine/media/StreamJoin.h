#pragma once

#include <string>
#include <vector>

class CancelToken;

// A stream's tracks, each a local part file of its segments as they came
// (clear), joined by ffmpeg into one MP4 (an M4A for sound alone), copied
// as they are. ffmpeg reads only those files (FfmpegArguments::streamJoin:
// the file protocol alone, no address, no cookie). The file counts only
// when ffmpeg exited 0 and ffprobe finds in it a picture or sound track
// (sound when the stream is sound alone) lasting as long as the manifest
// says, within durationSlack.
//
// Blocking; runs on the job's worker thread. Only the CancelToken is shared
// with other threads.
class StreamJoin {
public:
    enum class Outcome { Ok, Cancelled, FfmpegMissing, Failed, CheckFailed };

    // One track's part file and what it holds: both true when it may hold
    // either or both (a media playlist of unknown content).
    struct Part {
        std::string path;
        bool picture = false;
        bool sound = false;
    };

    struct Request {
        std::vector<Part> parts;
        // Seconds, as the manifest says; 0 when it does not.
        double seconds = 0;
        bool soundOnly = false;
    };

    static constexpr double durationSlack = 1.0;

    // Writes the joined file to output, a file of the caller's that ffmpeg
    // replaces.
    static Outcome run(const Request& request, const std::string& output,
                       const CancelToken* cancel);
};

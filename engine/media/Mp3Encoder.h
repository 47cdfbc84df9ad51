#pragma once

#include "media/Mp3Tags.h"

#include <functional>
#include <string>

class CancelToken;

// Encodes the audio of a movie into folder/title.mp3 with ffmpeg. ffmpeg
// writes a temporary file of our own making, which gets its final name only
// once it is known to be whole: ffmpeg exited 0, said nothing of a failed
// write (it can exit 0 after "No space left on device" at the trailer), and
// the MP3 lasts as long as the movie's sound. So a failure never costs an
// earlier MP3 and never counts as one.
//
// ffmpeg reads the movie by FfmpegArguments' rules: no title or folder can
// be taken for an option or another protocol, and the input may only be a
// media container read from that one file: a downloaded playlist or concat
// list naming other files is refused.
//
// The MP3 is tagged (Mp3Tags); when ffmpeg cannot take the cover, the MP3 is
// made again without it rather than not at all.
//
// Blocking; runs on the job's worker thread.
class Mp3Encoder {
public:
    enum class Outcome { Ok, Failed, NoFfmpeg, FolderUnusable, Cancelled };

    struct Result {
        Outcome outcome = Outcome::Failed;
        // The file name (no folder) the MP3 was given; "title(1).mp3" and
        // the like when title.mp3 was taken.
        std::string savedName;
    };

    // How far the MP3's length may be from the movie's sound, in seconds.
    static constexpr double durationSlack = 1.0;

    // Seconds of the movie's sound made MP3 so far, and in all (0: unknown).
    using Progress = std::function<void(double done, double total)>;

    static Result encode(const std::string& movie, const std::string& folder,
                         const std::string& title, const std::string& bitRate, const Mp3Tags& tags,
                         const CancelToken* cancel, const Progress& progress = {});

    // True for a line of ffmpeg's stderr that says the output was not
    // written whole.
    static bool reportsWriteFailure(const std::string& line);
};

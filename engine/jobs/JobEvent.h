#pragma once

#include <functional>
#include <string>
#include <vector>

// One thing a job reports. Sent on the job's worker thread.
struct JobEvent {
    enum class Kind {
        Progress,        // done and total bytes of the movie transfer (total 0: unknown)
        Status,          // text: a status for the user ("Downloading... [Patience]")
        Titled,          // text: the title the transfer goes by, cleaned but not cut to a file name
        Container,       // text: the movie's type, "flv" or "mp4"
        Converted,       // the MP3 is in place
        Saved,           // text: the file name (no folder) a movie or MP3 was given
        Resumable,       // text: the part file; detail: the stream's validator; total
        Converting,      // text: "Converting to mp3..."; the conversion has begun
        ConvertProgress, // done and total seconds of the movie's sound made MP3 (total 0: unknown)
        Paused,          // the job stopped on request, its part file kept; text: "Paused."
        Finished,        // the job ended well; text: a last status, may be empty
        Failed,          // the job ended with the error in text ("Error: ...")
        Cancelled,       // the job stopped on request; text: "Cancelled."
    };

    int id = 0;
    Kind kind = Kind::Status;
    std::string text;
    std::string detail;
    double done = 0;
    double total = 0;

    // The status texts that carry this event on the status channel, in
    // order: control words ("setflv", "setmp4", "setmp3", "done") and texts
    // for the user. Progress has none (it travels as a progress report), nor
    // has a conversion's.
    // Control word of Saved, followed by the file name.
    static constexpr const char* savedWord = "saved:";

    std::vector<std::string> texts() const {
        switch (kind) {
        case Kind::Progress:
        case Kind::ConvertProgress:
        case Kind::Resumable:
        case Kind::Titled:
            return {};
        case Kind::Status:
        case Kind::Converting:
            return {text};
        case Kind::Container:
            return {"set" + text};
        case Kind::Converted:
            return {"setmp3"};
        case Kind::Saved:
            return {std::string(savedWord) + text};
        case Kind::Finished:
            if (text.empty())
                return {"done"};
            return {"done", text};
        case Kind::Failed:
        case Kind::Cancelled:
        case Kind::Paused:
            return {"done", text};
        }
        return {};
    }
};

// Receives a job's events on the job's worker thread.
using JobSink = std::function<void(const JobEvent&)>;

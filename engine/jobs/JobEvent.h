#pragma once

#include "Reason.h"
#include "ResumeState.h"
#include "SourceRef.h"

#include <functional>
#include <string>

// One thing a job reports. Sent on the job's worker thread. What a user
// reads is a reason; its words are made by whoever shows it.
struct JobEvent {
    enum class Kind {
        Progress,        // done and total bytes of the movie transfer (total 0: unknown)
        Status,          // reason: the step the job has reached
        Titled,          // text: the title the transfer goes by, cleaned but not cut to a file name
        Container,       // text: the movie's type, "flv" or "mp4"
        Sourced,         // source: what the job saves (kind, label, address)
        Converted,       // the MP3 is in place
        Saved,           // text: the file name (no folder) a movie or MP3 was given
        Resumable,       // resume: what the part file holds, to continue it
        Converting,      // reason Converting: the conversion has begun
        ConvertProgress, // done and total seconds of the movie's sound made MP3 (total 0: unknown)
        Paused,          // reason Paused: stopped on request, its part file kept
        Finished,        // reason: how it ended well, Downloaded or Converted
        Failed,          // reason: why it failed
        Cancelled,       // reason Cancelled: stopped on request
    };

    int id = 0;
    Kind kind = Kind::Status;
    Reason reason = Reason::None;
    // Facts, never words for the user: a title, a container, a file name.
    std::string text;
    SourceRef source;
    double done = 0;
    double total = 0;
    ResumeState resume;
};

// Receives a job's events on the job's worker thread.
using JobSink = std::function<void(const JobEvent&)>;

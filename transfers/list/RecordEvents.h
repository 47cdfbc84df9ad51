#pragma once

#include "jobs/JobEvent.h"
#include "transfers/list/TransferRecord.h"

#include <cstdint>

// What a job's events say of its record beyond the list's own bookkeeping:
// the title, the saved files, the part file (and its pieces), and how the
// job ended. The
// list applies them as they come; so do the last events of a job that
// outlives the window (LateJobEvents).
class RecordEvents {
public:
    // Titled, Container, Saved and Resumable: the record takes what the event
    // says. False for any other kind, which leaves it as it was.
    static bool takeFacts(TransferRecord& record, const JobEvent& event);
    // A Saved event that names the MP3 rather than the movie.
    static bool savedMp3(const JobEvent& event);
    // Finished or Failed: the record ends with the event's reason, now.
    static void end(TransferRecord& record, const JobEvent& event);

    // Seconds since the epoch.
    static std::int64_t now();
};

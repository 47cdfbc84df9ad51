#pragma once

#include "jobs/JobOptions.h"
#include "jobs/JobReporter.h"
#include "jobs/MovieFile.h"
#include "stream/TrackPlan.h"

#include <string>
#include <vector>

// The movie step of a download job for an HLS or DASH stream: its segments
// fetched by our engine over the transfer's connections (SegmentQueue on a
// ConnectionPool: the speed limit, the low-speed floor, TLS and the cookies
// of every other request), each checked and kept in its track's part file
// in order, then the part files joined by ffmpeg (StreamJoin: local files
// only) into folder/title.ext, committed as every movie step's (MovieFile).
// With options.resume.partFile the tracks' part files have stable names and
// what they hold is recorded (ResumeState::Segments), so a pause, a close or
// a crash continues from the segments on disk; a manifest that lists other
// segments starts over.
class StreamDownload {
public:
    // title: the file title, safe already; extension: ".mp4", or ".m4a"
    // for a sound-only stream.
    StreamDownload(const JobOptions& options, const JobReporter& reporter, std::string title,
                   std::string extension);

    // Saves the stream of plan; cookies: what its requests send. False
    // when it failed or stopped, its last event sent. Runs on the job's
    // worker thread.
    bool save(const TrackPlan& plan, const std::vector<std::string>& cookies);

    // The title and extension the file was saved (or is to be saved)
    // under: the title may have taken a "(1)".
    const std::string& title() const { return movie_.title(); }
    const std::string& extension() const { return movie_.extension(); }
    // Folder, title and extension.
    std::string path() const { return movie_.path(); }

    // A track of one whole file larger than this comes in pieces of it.
    static constexpr long long wholeFilePiece = 4LL << 20;

private:
    const JobOptions& options_;
    const JobReporter& reporter_;
    // The joined file is never continued: its staging takes a name of its own.
    JobOptions joinOptions_;
    MovieFile movie_;
};

#pragma once

#include "JobOptions.h"
#include "JobReporter.h"
#include "MovieFile.h"
#include "StreamRequest.h"

#include <string>

// The movie step of a download job for an HLS or DASH stream: ffmpeg
// (StreamRemux) fetches its parts and copies its tracks into one file,
// folder/title.ext, opened and committed as every movie step's (MovieFile:
// never over another file, the next "(1)" name when that is taken). A stream has
// no validator to continue from: it always starts again from its first
// part, so its part file (options.resume.partFile when given, emptied
// first) is removed on any stop or failure.
class StreamDownload {
public:
    // title: the file title, safe already; extension: ".mp4", or ".m4a"
    // for a sound-only stream.
    StreamDownload(const JobOptions& options, const JobReporter& reporter, std::string title,
                   std::string extension);

    // Saves the stream; false when it failed or stopped, its last event
    // sent. Runs on the job's worker thread.
    bool save(const StreamRequest& request);

    // The title and extension the file was saved (or is to be saved)
    // under: the title may have taken a "(1)".
    const std::string& title() const { return movie_.title(); }
    const std::string& extension() const { return movie_.extension(); }
    // Folder, title and extension.
    std::string path() const { return movie_.path(); }

private:
    const JobOptions& options_;
    const JobReporter& reporter_;
    MovieFile movie_;
};

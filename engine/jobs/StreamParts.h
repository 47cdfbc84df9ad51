#pragma once

#include "files/StagedFile.h"
#include "jobs/JobOptions.h"
#include "jobs/ProgressPacer.h"
#include "stream/SegmentReceiver.h"

#include <memory>
#include <string>
#include <vector>

class JobReporter;

// The part files of a stream's tracks, one each, as the segment queue
// fills them: under the stable names of options.resume (trackFile) when the
// transfer keeps one beside the movie, else under names of their own. What
// they hold is synced before it is recorded (the manifest's fingerprint and
// each track's segments and bytes), so that a later job continues from
// there; a record of another manifest, or one the files do not bear out,
// starts over. Unless kept, the files go when this does. Used on the job's
// worker thread only.
class StreamParts : public SegmentReceiver {
public:
    // target: the movie's path; fingerprint: the manifest's segment list's.
    StreamParts(const JobOptions& options, const JobReporter& reporter, std::string target,
                std::string fingerprint);

    // Opens one part file per track; false when one cannot be.
    bool open(std::size_t tracks);
    // What the files held when opened, per track (none: a fresh start).
    const std::vector<Done>& continued() const { return continued_; }
    std::string path(std::size_t track) const { return files_.at(track)->tempPath(); }
    // Whether they may be continued by a later job.
    bool resumable() const { return stable_; }

    bool append(std::size_t track, std::string_view clear) override;
    void record(const std::vector<Done>& done) override;
    void progress(std::int64_t total, std::int64_t now) override;
    bool stopping() const override;

    // Progress held back by the pacer goes out now.
    void flushProgress();
    // Left where they are for a later job (when resumable), else removed.
    void keep();
    void discard();

private:
    void report(const std::vector<Done>& done) const;

    const JobOptions& options_;
    const JobReporter& reporter_;
    std::string target_;
    std::string fingerprint_;
    bool stable_ = false;
    std::vector<std::unique_ptr<StagedFile>> files_;
    // Where each file's next bytes go.
    std::vector<long long> ends_;
    std::vector<Done> continued_;
    ProgressPacer pacer_;
};

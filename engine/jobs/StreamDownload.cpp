#include "StreamDownload.h"

#include "ProgressPacer.h"
#include "StagedFile.h"
#include "StreamRemux.h"

#include <cstdint>
#include <utility>

namespace {

// The movie step's progress in bytes: the file so far, and what it comes
// to at this rate of bytes per second of the stream (0 until ffmpeg has
// written some of it, or without the stream's length).
class StreamProgress {
public:
    StreamProgress(const JobReporter& reporter, double duration)
        : reporter_(reporter), duration_(duration) {}

    void written(double seconds, long long bytes) {
        std::int64_t total = 0;
        if (duration_ > 0 && seconds > 0)
            total = static_cast<std::int64_t>(static_cast<double>(bytes) * duration_ / seconds);
        // ffmpeg's time may pass the manifest's by a few packets.
        if (total > 0 && total < bytes)
            total = bytes;
        if (pacer_.due(total, bytes))
            reporter_.progress(static_cast<double>(total), static_cast<double>(bytes));
    }

    // The bar ends full at the file's size, whatever the pacer held back.
    void whole(long long bytes) {
        reporter_.progress(static_cast<double>(bytes), static_cast<double>(bytes));
    }

private:
    const JobReporter& reporter_;
    double duration_;
    ProgressPacer pacer_;
};

} // namespace

StreamDownload::StreamDownload(const JobOptions& options, const JobReporter& reporter,
                               std::string title, std::string extension)
    : options_(options), reporter_(reporter),
      movie_(options, reporter, std::move(title), std::move(extension), false) {}

// Runs on the job's worker thread.
bool StreamDownload::save(const StreamRequest& request) {
    if (!movie_.open())
        return false;
    StagedFile& file = movie_.file();
    // Whatever an earlier try left is not continued.
    if (!file.restart())
        return movie_.fail(Reason::SaveFailed, false);
    // No validator: a later try starts over too.
    if (!options_.resume.partFile.empty())
        reporter_.resumable({.partFile = file.tempPath()});

    // ffmpeg fetches on its own: the speed limit does not reach it.
    StreamProgress progress(reporter_, request.duration);
    const StreamRemux::Outcome outcome = StreamRemux::run(
        request, options_.stallSeconds, file.tempPath(), reporter_.cancelToken(),
        [&progress](double seconds, long long bytes) { progress.written(seconds, bytes); });
    // Paused or not, the bytes could never be continued: nothing is kept.
    if (outcome == StreamRemux::Outcome::Cancelled || reporter_.cancelled())
        return movie_.stop();
    if (outcome != StreamRemux::Outcome::Ok)
        return movie_.fail(outcome == StreamRemux::Outcome::FfmpegMissing ? Reason::FfmpegMissing
                                                                          : Reason::SaveFailed,
                           false);
    progress.whole(file.size());
    return movie_.settle(true, false);
}

#include "StreamDownload.h"

#include "FilePath.h"
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
    : options_(options), reporter_(reporter), title_(std::move(title)),
      extension_(std::move(extension)) {}

std::string StreamDownload::path() const {
    return options_.movieFolder + "/" + title_ + extension_;
}

// Runs on the job's worker thread.
bool StreamDownload::save(const StreamRequest& request) {
    reporter_.step(Reason::Connecting);
    reporter_.step(Reason::Downloading);
    reporter_.send(JobEvent::Kind::Container, extension_.substr(1));

    // The part file is ours only beside its target, as for a movie.
    const bool stable = !options_.resume.partFile.empty() &&
                        FilePath::folderOf(options_.resume.partFile) == options_.movieFolder;
    StagedFile file(path());
    switch (stable ? file.open(options_.resume.partFile) : file.open()) {
    case StagedFile::Opened::Ok:
        break;
    case StagedFile::Opened::FolderUnusable:
        reporter_.fail(Reason::MovieFolderUnusable);
        return false;
    case StagedFile::Opened::NameRefused:
        reporter_.fail(Reason::InvalidTitle);
        return false;
    }
    // Whatever an earlier try left is not continued.
    if (!file.restart()) {
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    // No validator: a later try starts over too.
    if (!options_.resume.partFile.empty())
        reporter_.resumable({.partFile = file.tempPath()});

    // ffmpeg fetches on its own: the speed limit does not reach it.
    StreamProgress progress(reporter_, request.duration);
    const StreamRemux::Outcome outcome = StreamRemux::run(
        request, options_.stallSeconds, file.tempPath(), reporter_.cancelToken(),
        [&progress](double seconds, long long bytes) { progress.written(seconds, bytes); });
    if (outcome == StreamRemux::Outcome::Cancelled || reporter_.cancelled()) {
        // Paused or not: the bytes could never be continued.
        file.discard();
        reporter_.stopped();
        return false;
    }
    if (outcome != StreamRemux::Outcome::Ok) {
        file.discard();
        reporter_.fail(outcome == StreamRemux::Outcome::FfmpegMissing ? Reason::FfmpegMissing
                                                                      : Reason::SaveFailed);
        return false;
    }
    progress.whole(file.size());
    if (!file.commit()) {
        // Nothing is left of a stream that found no name.
        file.discard();
        reporter_.fail(file.namesTaken() ? Reason::NamesTaken : Reason::SaveFailed);
        return false;
    }
    // The name may have taken a "(1)": the conversion and the window follow it.
    const std::string saved = FilePath::fileNameOf(file.target());
    title_ = saved.substr(0, saved.size() - extension_.size());
    reporter_.send(JobEvent::Kind::Saved, saved);
    reporter_.step(Reason::Downloaded);
    return true;
}

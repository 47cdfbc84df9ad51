#include "ConvertJob.h"

#include "CoverArt.h"
#include "CoverFetch.h"
#include "FileTitle.h"
#include "Mp3Encoder.h"
#include "PageTitle.h"

#include <filesystem>
#include <utility>

namespace {

// The MP3's title when none was given: the movie's name without its
// extension, as a file title.
std::string fileTitleOf(const std::string& moviePath, std::string fileTitle) {
    if (fileTitle.empty())
        fileTitle = std::filesystem::path(moviePath).stem().string();
    return FileTitle::safe(std::move(fileTitle));
}

} // namespace

ConvertJob::ConvertJob(JobOptions options, std::string moviePath, std::string fileTitle, int id,
                       JobSink sink, std::shared_ptr<const CancelToken> cancel)
    : Job(std::move(options), JobReporter(id, std::move(sink), std::move(cancel))),
      moviePath_(std::move(moviePath)), fileTitle_(fileTitleOf(moviePath_, std::move(fileTitle))) {}

// Runs on the job's worker thread, which owns the job.
void ConvertJob::run() {
    // Bounded as a tag, whatever the record held.
    std::string tag = options().title.empty() ? fileTitle_ : PageTitle::readable(options().title);
    convert(moviePath_, fileTitle_, Mp3Tags{std::move(tag), options().pageUrl, {}}, std::nullopt,
            options(), reporter());
}

void ConvertJob::convert(const std::string& movie, const std::string& title, Mp3Tags tags,
                         const std::optional<std::string>& picture, const JobOptions& options,
                         const JobReporter& reporter) {
    reporter.send(JobEvent::Kind::Converting, Reason::Converting);
    // Lives until ffmpeg has read it.
    CoverArt cover;
    if (!reporter.cancelled()) {
        if (picture)
            CoverFetch::fetch(cover, options, *picture, reporter.cancelToken());
        else
            CoverFetch::fetchFromPage(cover, options, reporter.cancelToken());
    }
    tags.cover = cover.jpeg();
    Mp3Encoder::Result result;
    if (reporter.cancelled())
        result.outcome = Mp3Encoder::Outcome::Cancelled;
    else
        result = Mp3Encoder::encode(
            movie, options.musicFolder, title, options.bitRate, tags, reporter.cancelToken(),
            [&reporter](double done, double total) { reporter.convertProgress(done, total); });
    switch (result.outcome) {
    case Mp3Encoder::Outcome::Ok:
        reporter.send(JobEvent::Kind::Saved, result.savedName);
        reporter.send(JobEvent::Kind::Converted);
        reporter.send(JobEvent::Kind::Finished, Reason::Converted);
        return;
    case Mp3Encoder::Outcome::Failed:
        reporter.fail(Reason::ConversionFailed);
        return;
    case Mp3Encoder::Outcome::NoFfmpeg:
        reporter.fail(Reason::FfmpegMissing);
        return;
    case Mp3Encoder::Outcome::FolderUnusable:
        reporter.fail(Reason::MusicFolderUnusable);
        return;
    case Mp3Encoder::Outcome::Cancelled:
        // Paused or not, the MP3's temporary file is gone; the movie stays.
        reporter.stopped();
        return;
    }
}

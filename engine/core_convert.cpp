#include "DownloadJob.h"
#include "Mp3Encoder.h"

#include <memory>
#include <utility>

bool DownloadJob::convert() {
    send(JobEvent::Kind::Converting, "Converting to mp3...");
    // A title refused by the movie step may still come here from a
    // conversion job: it must not reach outside either folder.
    Mp3Encoder::Result result;
    if (cancelled())
        result.outcome = Mp3Encoder::Outcome::Cancelled;
    else if (staysInFolder(fileTitle))
        result =
            Mp3Encoder::encode(movieFile(), musicFolder, fileTitle, bitRate, cancelToken.get());
    switch (result.outcome) {
    case Mp3Encoder::Outcome::Ok:
        send(JobEvent::Kind::Saved, result.savedName);
        send(JobEvent::Kind::Converted);
        send(JobEvent::Kind::Finished, "Complete! Thank you for using Quillmoth.");
        return true;
    case Mp3Encoder::Outcome::Failed:
        send(JobEvent::Kind::Failed, convertFailedText);
        return false;
    case Mp3Encoder::Outcome::NoFfmpeg:
        send(JobEvent::Kind::Failed, ffmpegMissingText);
        return false;
    case Mp3Encoder::Outcome::FolderUnusable:
        send(JobEvent::Kind::Failed, musicFolderText);
        return false;
    case Mp3Encoder::Outcome::Cancelled:
        // Paused or not, the MP3's temporary file is gone; the movie stays.
        stopped();
        return false;
    }
    return false;
}

std::unique_ptr<DownloadJob> DownloadJob::conversion(JobOptions options, const std::string& type,
                                                     int id, JobSink sink,
                                                     std::shared_ptr<const CancelToken> cancel) {
    options.convert = true;
    auto job =
        std::make_unique<DownloadJob>(std::move(options), id, std::move(sink), std::move(cancel));
    job->conversionOnly = true;
    // The movie is read under the type its transfer saved it as.
    job->savedExtension = "." + type;
    return job;
}

// Runs on the job's worker thread, which owns the job from here on.
unsigned DownloadJob::convertOwned(void* owned) {
    std::unique_ptr<DownloadJob> job(static_cast<DownloadJob*>(owned));
    if (job)
        job->convert();
    return 1;
}

bool DownloadJob::converter(std::string movieFolder, std::string musicFolder, std::string title,
                            std::string type, const CancelToken* cancel, std::string* savedName) {
    // A transfer whose title was refused by its movie step may still be
    // converted on request: the title must not reach outside either folder.
    if (!staysInFolder(title)) {
        return false;
    }
    const Mp3Encoder::Result result = Mp3Encoder::encode(
        movieFolder + "/" + title + "." + type, musicFolder, title, onRequestBitRate, cancel);
    if (result.outcome != Mp3Encoder::Outcome::Ok) {
        return false;
    }
    if (savedName != nullptr) {
        *savedName = result.savedName;
    }
    return true;
}

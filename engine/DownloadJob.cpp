#include "DownloadJob.h"

#include "CurlHandle.h"
#include "PartFile.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

long DownloadJob::stallSeconds = 30;
std::size_t DownloadJob::maxPageBytes = std::size_t{64} * 1024 * 1024;
const std::size_t DownloadJob::maxTitleBytes =
    NAME_MAX - 4 - std::max(PartFile::extraNameBytes, PartFile::maxExtraNameBytes);

DownloadJob::DownloadJob(JobOptions options, int id, JobSink sink,
                         std::shared_ptr<const CancelToken> cancel)
    : pageUrl(std::move(options.pageUrl)), titleFromPage(options.title.empty()),
      fileTitle(safeTitle(std::move(options.title))), jobId(id), quality(options.quality),
      convertToMp3(options.convert), movieFolder(std::move(options.movieFolder)),
      musicFolder(std::move(options.musicFolder)), bitRate(std::move(options.bitRate)),
      sink(std::move(sink)), cancelToken(std::move(cancel)), partFile(std::move(options.partFile)),
      resumeValidator(std::move(options.validator)), resumeTotal(options.total) {}

// Runs on the job's worker thread, which owns the job from here on.
unsigned DownloadJob::runOwned(void* owned) {
    std::unique_ptr<DownloadJob> job(static_cast<DownloadJob*>(owned));
    if (job)
        job->run();
    return 1;
}

bool DownloadJob::run() {
    pageText.clear();
    status("Scraping URL...");
    {
        CurlHandle curl;
        if (!curl) {
            send(JobEvent::Kind::Failed, "Error: Could not create request.");
            return false;
        }
        const CURLcode fetched =
            fetchPage(curl.get(), pageUrl.c_str(), pageText, cancelToken.get());
        if (cancelled()) {
            stopped();
            return false;
        }
        if (fetched != CURLE_OK) {
            pageText.clear();
            send(JobEvent::Kind::Failed, fetched == CURLE_FILESIZE_EXCEEDED
                                             ? "Error: The page is too large."
                                             : "Error: Could not make connection.");
            return false;
        }
        status("Initial response received!");
        if (titleFromPage)
            fileTitle = safeTitle(findTitle(pageText).value_or(std::string()));
        status("Searching for download source...");
        if (!chooseStream(curl.get())) {
            send(JobEvent::Kind::Failed, "Error: Could not locate any movies to download.");
            return true;
        }
    }
    status("Found movie source!");
    if (saveMovie() && convertToMp3)
        convert();
    return true;
}

std::string DownloadJob::movieExtension() const {
    return quality == 1 && streamCount > 3 ? ".mp4" : ".flv";
}

std::string DownloadJob::movieFile() const {
    return movieFolder + "/" + fileTitle +
           (savedExtension.empty() ? movieExtension() : savedExtension);
}

bool DownloadJob::staysInFolder(const std::string& title) {
    return title.find('/') == std::string::npos && title != "." && title != "..";
}

void DownloadJob::send(JobEvent::Kind kind, std::string text) const {
    if (!sink)
        return;
    JobEvent event;
    event.id = jobId;
    event.kind = kind;
    event.text = std::move(text);
    sink(event);
}

void DownloadJob::progress(double total, double received) const {
    if (!sink)
        return;
    JobEvent event;
    event.id = jobId;
    event.kind = JobEvent::Kind::Progress;
    event.total = total;
    event.done = received;
    sink(event);
}

#include "DownloadJob.h"

#include "ConvertJob.h"
#include "CurlHandle.h"
#include "HttpFetch.h"
#include "MovieDownload.h"
#include "PagePicture.h"
#include "PageTitle.h"
#include "StreamChoice.h"

#include <cstddef>
#include <string>
#include <utility>

namespace {

// Extension of the movie file by the quality rule, with its dot: ".mp4"
// for quality 1 from a page of four streams or more, else ".flv".
std::string movieExtension(int quality, std::size_t streams) {
    return quality == 1 && streams > 3 ? ".mp4" : ".flv";
}

} // namespace

DownloadJob::DownloadJob(JobOptions options, int id, JobSink sink,
                         std::shared_ptr<const CancelToken> cancel)
    : Job(std::move(options), JobReporter(id, std::move(sink), std::move(cancel))) {}

// Runs on the job's worker thread, which owns the job.
void DownloadJob::run() {
    const JobReporter& report = reporter();
    // The title people read (the list, the MP3's tag) and the one the file
    // is named after: the first may be longer than any file name.
    std::string readable = options().title;
    StreamChoice stream;
    // The MP3's cover, read from the page before finding the stream decodes it.
    std::string picture;
    report.step(Reason::ReadingPage);
    {
        // The page and its handle go before the movie step begins.
        CurlHandle curl(options().curlFactory);
        if (!curl) {
            report.fail(Reason::RequestFailed);
            return;
        }
        std::string page;
        const CURLcode fetched =
            HttpFetch(options()).page(curl.get(), options().pageUrl, page, report.cancelToken());
        if (report.cancelled()) {
            report.stopped();
            return;
        }
        if (fetched != CURLE_OK) {
            report.fail(fetched == CURLE_FILESIZE_EXCEEDED     ? Reason::PageTooLarge
                        : fetched == HttpFetch::deadlinePassed ? Reason::PageTooSlow
                                                               : Reason::NoConnection);
            return;
        }
        report.step(Reason::PageReceived);
        if (options().title.empty())
            readable = PageTitle::find(page).value_or(std::string());
        readable = PageTitle::readable(readable);
        report.send(JobEvent::Kind::Titled, readable);
        report.step(Reason::SearchingStream);
        const std::string pageAddress = HttpFetch::finalAddress(curl.get(), options().pageUrl);
        if (options().convert)
            picture = PagePicture::address(page, pageAddress);
        stream = StreamChoice::inPage(page, options().quality, pageAddress);
        if (!stream.found()) {
            report.fail(Reason::NoStream);
            return;
        }
    }
    report.step(Reason::StreamFound);
    // The tag keeps the whole title, without the "(1)" a taken name may add.
    Mp3Tags tags{readable, options().pageUrl, {}};
    MovieDownload movie(options(), report, PageTitle::safe(std::move(readable)),
                        movieExtension(options().quality, stream.count));
    if (!movie.save(stream.url))
        return;
    if (options().convert)
        ConvertJob::convert(movie.path(), movie.title(), std::move(tags), picture, options(),
                            report);
    else
        report.send(JobEvent::Kind::Finished, Reason::Downloaded);
}

#include "DownloadJob.h"

#include "ConvertJob.h"
#include "CurlHandle.h"
#include "HttpFetch.h"
#include "MovieDownload.h"
#include "PageOffer.h"
#include "PagePicture.h"
#include "PageTitle.h"
#include "PercentDecoder.h"
#include "StreamChoice.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace {

// Extension of the movie file by the quality rule, with its dot: ".mp4"
// for quality 1 from a page of four streams or more, else ".flv".
std::string movieExtension(int quality, std::size_t streams) {
    return quality == 1 && streams > 3 ? ".mp4" : ".flv";
}

// A direct link's title: its file name without the extension, decoded.
std::string titleOfAddress(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const auto scheme = path.find("://");
    path = path.substr(scheme == std::string::npos ? 0 : scheme + 3);
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    name = name.substr(0, name.rfind('.'));
    percentDecode(name);
    return name;
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
    // What the movie step fetches, its extension until the first bytes say,
    // and the bounds it is fetched within: the page as its Referer, the
    // cookies the page set.
    std::string url;
    // A stream map's entry is tried even when its address names nothing:
    // the movie step says it could not be saved.
    bool chosen = false;
    // Why nothing was chosen.
    Reason missing = Reason::NoStream;
    SourceRef source;
    std::string extension;
    JobOptions movieOptions = options();
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
        const CURLcode fetched = HttpFetch(options()).page(
            curl.get(), options().pageUrl, page, report.cancelToken(), &PageOffer::isMedia);
        if (report.cancelled()) {
            report.stopped();
            return;
        }
        const bool direct = fetched == HttpFetch::answeredMedia;
        if (fetched != CURLE_OK && !direct) {
            report.fail(PageOffer::fetchFailure(fetched));
            return;
        }
        report.step(Reason::PageReceived);
        const std::string pageAddress = HttpFetch::finalAddress(curl.get(), options().pageUrl);
        movieOptions.cookies = HttpFetch::cookies(curl.get());
        if (direct) {
            // A direct link: the address is the media, named by its file. It
            // offers no numbered sources.
            if (options().title.empty())
                readable = titleOfAddress(pageAddress);
            url = pageAddress;
            chosen = options().source == 0;
            extension = ".mp4";
            source = {SourceRef::kindDirect, {}, url};
        } else {
            // Read before the stream map's reading decodes the page in place.
            const PageOffer offer = PageOffer::read(page, pageAddress);
            if (options().title.empty())
                readable = PageTitle::find(page).value_or(offer.title);
            if (options().convert)
                picture = PagePicture::address(page, pageAddress);
            report.step(Reason::SearchingStream);
            const StreamChoice stream = StreamChoice::inPage(page, options().quality, pageAddress);
            // A source asked for by its number, or bound by its label, wins
            // over the stream map.
            const SourceRef& bound = options().boundSource;
            const bool binds = !bound.label.empty();
            const std::optional<std::size_t> picked =
                binds ? offer.find(bound.label, bound.url)
                      : offer.pick(options().quality, options().source);
            if (binds && !picked) {
                missing = Reason::SourceGone;
            } else if (stream.found() && options().source == 0 && !binds) {
                url = stream.url;
                chosen = true;
                extension = movieExtension(options().quality, stream.count);
                source = {SourceRef::kindStreamMap, {}, url};
            } else if (picked) {
                const PageSource& found = offer.sources[*picked];
                url = found.url;
                chosen = true;
                const std::string container = found.container();
                extension = "." + (container.empty() ? std::string("mp4") : container);
                source = {found.originName(), found.label(), url};
            }
            movieOptions.referer = pageAddress;
        }
        readable = PageTitle::readable(readable);
        report.send(JobEvent::Kind::Titled, readable);
        if (!chosen) {
            report.fail(missing);
            return;
        }
        report.sourced(std::move(source));
    }
    report.step(Reason::StreamFound);
    // The tag keeps the whole title, without the "(1)" a taken name may add.
    Mp3Tags tags{readable, options().pageUrl, {}};
    MovieDownload movie(movieOptions, report, PageTitle::safe(std::move(readable)), extension);
    if (!movie.save(url))
        return;
    if (options().convert)
        ConvertJob::convert(movie.path(), movie.title(), std::move(tags), picture, options(),
                            report);
    else
        report.send(JobEvent::Kind::Finished, Reason::Downloaded);
}

std::string DownloadJob::pageTitle(const JobOptions& options, const CancelToken* cancel) {
    std::string page;
    CurlHandle curl(options.curlFactory);
    const CURLcode fetched =
        HttpFetch(options).page(curl.get(), options.pageUrl, page, cancel, &PageOffer::isMedia);
    std::string title;
    if (fetched == HttpFetch::answeredMedia) {
        title = titleOfAddress(HttpFetch::finalAddress(curl.get(), options.pageUrl));
    } else if (fetched == CURLE_OK) {
        // The page's other titles are read only when it has no headline.
        if (std::optional<std::string> headline = PageTitle::find(page))
            title = std::move(*headline);
        else
            title = PageOffer::read(page, options.pageUrl).title;
    }
    return PageTitle::safe(std::move(title));
}

#include "jobs/DownloadJob.h"

#include "base/HttpAddress.h"
#include "files/FileTitle.h"
#include "http/HttpClient.h"
#include "jobs/ConvertJob.h"
#include "jobs/MovieDownload.h"
#include "jobs/PageOffer.h"
#include "jobs/StreamDownload.h"
#include "jobs/StreamPlan.h"
#include "jobs/SubtitleSave.h"
#include "page/KeySystemHint.h"
#include "page/PagePicture.h"
#include "page/PageTitle.h"
#include "page/PercentDecoder.h"
#include "page/RelativeAddress.h"
#include "page/StreamChoice.h"

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
    std::string path(withoutQuery(url));
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
    // What the saving step fetches, its extension until the first bytes say,
    // and the bounds it is fetched within: the page as its Referer, the
    // cookies the page set.
    Target target;
    JobOptions saveOptions = options();
    // The MP3's cover, read from the page before finding the stream decodes it.
    std::string picture;
    // The page's and the stream's, saved beside the movie as asked.
    std::vector<SubtitleTrack> subtitles;
    report.step(Reason::ReadingPage);
    {
        // The page goes before the saving step begins.
        HttpRequest request = HttpRequest::page(options().pageUrl, options());
        request.isMedia = &PageOffer::isMedia;
        request.cancel = report.cancelToken();
        std::string page;
        const HttpResponse fetched = HttpClient::fetchPage(request, page);
        if (fetched.failure == HttpResponse::Failure::NoHandle) {
            report.fail(Reason::RequestFailed);
            return;
        }
        if (report.cancelled()) {
            report.stopped();
            return;
        }
        const bool direct = fetched.media;
        if (!fetched.ok() && !direct) {
            report.fail(PageOffer::fetchFailure(fetched));
            return;
        }
        report.step(Reason::PageReceived);
        const std::string& pageAddress = fetched.address;
        saveOptions.cookies = fetched.cookies;
        const StreamManifest::Kind manifest =
            direct ? StreamManifest::Kind::None
                   : StreamManifest::recognise(fetched.type, std::string_view(page).substr(0, 1024),
                                               pageAddress);
        if (direct || manifest != StreamManifest::Kind::None) {
            // A direct link: the address is the media, or a stream's
            // playlist, named by its file. It offers no numbered sources.
            if (options().title.empty())
                readable = titleOfAddress(pageAddress);
            target.url = pageAddress;
            target.chosen = options().source == 0;
            target.extension = ".mp4";
            target.stream = manifest;
            target.manifest = std::move(page);
            target.source = {SourceRef::Kind::Direct, {}, pageAddress};
        } else {
            // Read before the stream map's reading decodes the page in place.
            const PageOffer offer = PageOffer::read(page, pageAddress);
            subtitles = offer.subtitles;
            choose(offer, target);
            if (options().title.empty())
                readable = PageTitle::find(page).value_or(offer.title);
            if (options().convert)
                picture = PagePicture::address(page, pageAddress);
            report.step(Reason::SearchingStream);
            chooseStreamMap(StreamChoice::inPage(page, options().quality, pageAddress), target);
            saveOptions.referer = pageAddress;
            // A page that names nothing but plays protected media says so.
            if (!target.chosen && target.missing == Reason::NoStream && KeySystemHint::inPage(page))
                target.missing = Reason::StreamProtected;
        }
        readable = PageTitle::readable(readable);
        report.send(JobEvent::Kind::Titled, readable);
        if (!target.chosen) {
            report.fail(target.missing);
            return;
        }
        report.sourced(target.source);
    }
    report.step(Reason::StreamFound);
    // The tag keeps the whole title, without the "(1)" a taken name may add.
    Mp3Tags tags{readable, options().pageUrl, {}};
    std::string title = FileTitle::safe(std::move(readable));
    if (target.probe && !probe(saveOptions, target))
        return;
    std::string saved;
    if (target.stream != StreamManifest::Kind::None) {
        TrackPlan plan;
        std::vector<std::string> cookies = saveOptions.cookies;
        const Reason refused = StreamPlan::make(target.stream, target.manifest, target.url,
                                                saveOptions, report.cancelToken(), plan, cookies);
        if (report.cancelled()) {
            report.stopped();
            return;
        }
        if (refused != Reason::None) {
            report.fail(refused);
            return;
        }
        subtitles.insert(subtitles.end(), plan.subtitles.begin(), plan.subtitles.end());
        StreamDownload stream(saveOptions, report, std::move(title),
                              plan.soundOnly ? ".m4a" : ".mp4");
        if (!stream.save(plan, cookies))
            return;
        saved = stream.path();
        title = stream.title();
    } else {
        MovieDownload movie(saveOptions, report, std::move(title), target.extension);
        if (!movie.save(target.url))
            return;
        saved = movie.path();
        title = movie.title();
    }
    SubtitleSave::save(subtitles, saveOptions, title, report);
    if (options().convert)
        ConvertJob::convert(saved, title, std::move(tags), picture, options(), report);
    else
        report.send(JobEvent::Kind::Finished, Reason::Downloaded);
}

void DownloadJob::choose(const PageOffer& offer, Target& target) const {
    // A source asked for by its number, or bound by its label, wins over
    // the stream map.
    const SourceRef& bound = options().boundSource;
    const bool binds = !bound.label.empty();
    target.byNumberOrLabel = binds || options().source > 0;
    const std::optional<std::size_t> picked = binds
                                                  ? offer.find(bound.label, bound.url)
                                                  : offer.pick(options().quality, options().source);
    if (binds && !picked) {
        // Not in the page's text (its script asked for it, or the page has
        // changed): saved from its own address while that still answers
        // with media or a stream, else the user must open the page again.
        target.missing = Reason::SourceGone;
        if (!isHttpAddress(bound.url))
            return;
        target.url = bound.url;
        target.chosen = true;
        target.extension = ".mp4";
        target.probe = true;
        target.goneUnlessAnswered = true;
        target.source = bound;
        return;
    }
    if (!picked)
        return;
    const PageSource& found = offer.sources[*picked];
    target.url = found.url;
    target.chosen = true;
    const std::string container = found.container();
    target.extension = "." + (container.empty() ? std::string("mp4") : container);
    if (found.stream()) {
        target.stream = container == "mpd" ? StreamManifest::Kind::Dash : StreamManifest::Kind::Hls;
        target.extension = ".mp4";
    }
    // Neither its type nor its address says what it is: its answer will.
    target.probe = found.stream() || container.empty();
    target.source = SourceRef::of(found);
}

void DownloadJob::chooseStreamMap(const StreamChoice& stream, Target& target) const {
    if (!stream.found() || target.byNumberOrLabel || target.missing == Reason::SourceGone)
        return;
    target = {};
    target.url = stream.url;
    target.chosen = true;
    target.extension = movieExtension(options().quality, stream.count);
    target.source = {SourceRef::Kind::StreamMap, {}, stream.url};
}

bool DownloadJob::probe(JobOptions& saveOptions, Target& target) const {
    const JobReporter& report = reporter();
    HttpRequest request = HttpRequest::page(target.url, saveOptions);
    request.isMedia = &PageOffer::isMedia;
    request.cancel = report.cancelToken();
    std::string text;
    const HttpResponse fetched = HttpClient::fetchPage(request, text);
    if (fetched.failure == HttpResponse::Failure::NoHandle) {
        report.fail(Reason::RequestFailed);
        return false;
    }
    if (report.cancelled()) {
        report.stopped();
        return false;
    }
    if (fetched.media) {
        // A whole file after all, whatever its address said.
        target.stream = StreamManifest::Kind::None;
        return true;
    }
    if (!fetched.ok() || fetched.status >= 400) {
        report.fail(target.goneUnlessAnswered ? Reason::SourceGone : Reason::NoConnection);
        return false;
    }
    target.url = fetched.address;
    saveOptions.cookies = fetched.cookies;
    target.stream =
        StreamManifest::recognise(fetched.type, std::string_view(text).substr(0, 1024), target.url);
    if (target.stream == StreamManifest::Kind::None) {
        // Neither media nor a stream: a page, or an error's text.
        report.fail(target.goneUnlessAnswered ? Reason::SourceGone : Reason::NoStream);
        return false;
    }
    target.manifest = std::move(text);
    return true;
}

std::string DownloadJob::pageTitle(const JobOptions& options, const CancelToken* cancel) {
    HttpRequest request = HttpRequest::page(options.pageUrl, options);
    request.isMedia = &PageOffer::isMedia;
    request.cancel = cancel;
    std::string page;
    const HttpResponse fetched = HttpClient::fetchPage(request, page);
    std::string title;
    if (fetched.media || (fetched.ok() && StreamManifest::recognise(
                                              fetched.type, std::string_view(page).substr(0, 1024),
                                              fetched.address) != StreamManifest::Kind::None)) {
        title = titleOfAddress(fetched.address);
    } else if (fetched.ok()) {
        // The page's other titles are read only when it has no headline.
        if (std::optional<std::string> headline = PageTitle::find(page))
            title = std::move(*headline);
        else
            title = PageOffer::read(page, options.pageUrl).title;
    }
    return FileTitle::safe(std::move(title));
}

#include "jobs/PageOffer.h"

#include "base/CancelToken.h"
#include "base/MediaFormat.h"
#include "http/HttpClient.h"
#include "jobs/JobOptions.h"
#include "page/PageSources.h"
#include "page/StreamManifest.h"

#include <cctype>
#include <utility>

PageOffer PageOffer::read(std::string_view page, const std::string& pageAddress) {
    PageSources all = PageSources::read(page, pageAddress);
    PageOffer offer;
    offer.title = std::move(all.title);
    offer.sources = std::move(all.sources);
    offer.subtitles = std::move(all.subtitles);
    return offer;
}

Reason PageOffer::fetch(const JobOptions& options, const CancelToken* cancel, PageOffer& offer) {
    offer = {};
    HttpRequest request = HttpRequest::page(options.pageUrl, options);
    request.isMedia = &isMedia;
    request.cancel = cancel;
    std::string page;
    const HttpResponse fetched = HttpClient::fetchPage(request, page);
    if (fetched.failure != HttpResponse::Failure::NoHandle && cancel && cancel->cancelled())
        return Reason::Cancelled;
    if (fetched.media)
        return Reason::None;
    if (!fetched.ok())
        return fetchFailure(fetched);
    offer = read(page, fetched.address);
    return Reason::None;
}

Reason PageOffer::fetchFailure(const HttpResponse& response) {
    switch (response.failure) {
    case HttpResponse::Failure::NoHandle:
        return Reason::RequestFailed;
    case HttpResponse::Failure::TooLarge:
        return Reason::PageTooLarge;
    case HttpResponse::Failure::DeadlinePassed:
        return Reason::PageTooSlow;
    case HttpResponse::Failure::Cancelled:
        return Reason::Cancelled;
    case HttpResponse::Failure::None:
    case HttpResponse::Failure::Stalled:
    case HttpResponse::Failure::ErrorStatus:
    case HttpResponse::Failure::Refused:
    case HttpResponse::Failure::Connection:
        break;
    }
    return Reason::NoConnection;
}

bool PageOffer::isMedia(std::string_view type, std::string_view first) {
    // A playlist may come as audio/mpegurl: it names the media, it is none.
    if (StreamManifest::recognise(type, first, {}) != StreamManifest::Kind::None)
        return false;
    return MediaFormat::isMediaType(type) || MediaFormat::ofSignature(first).whole();
}

std::optional<std::size_t> PageOffer::find(const std::string& label, const std::string& url) const {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (sources[i].label() != label)
            continue;
        if (sources[i].url == url)
            return i;
        if (!found)
            found = i;
    }
    return found;
}

std::optional<std::size_t> PageOffer::pick(int quality, int source) const {
    if (source > 0) {
        if (static_cast<std::size_t>(source) > sources.size())
            return std::nullopt;
        return static_cast<std::size_t>(source) - 1;
    }
    if (sources.empty())
        return std::nullopt;
    // A whole file is saved more simply than a stream of parts (and can be
    // continued): streams are chosen from only when the page has no other.
    std::vector<PageSource> files;
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (!sources[i].stream()) {
            files.push_back(sources[i]);
            at.push_back(i);
        }
    if (files.empty())
        return PageSources::choose(sources, quality);
    return at[PageSources::choose(files, quality)];
}

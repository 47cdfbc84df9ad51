#include "jobs/StreamPlan.h"

#include "base/CancelToken.h"
#include "http/HttpClient.h"
#include "jobs/JobOptions.h"
#include "jobs/PageOffer.h"
#include "page/DashManifest.h"
#include "page/HlsPlaylist.h"

#include <utility>

namespace {

// A media playlist fetched and read with the job's cookies, which it may
// add to.
Reason fetchPlaylist(const std::string& url, const JobOptions& options, const CancelToken* cancel,
                     std::vector<std::string>& cookies, HlsPlaylist& playlist) {
    JobOptions bounds = options;
    bounds.cookies = cookies;
    HttpRequest request = HttpRequest::page(url, bounds);
    request.cancel = cancel;
    std::string text;
    const HttpResponse fetched = HttpClient::fetchPage(request, text);
    if (fetched.failure != HttpResponse::Failure::NoHandle && cancel && cancel->cancelled())
        return Reason::Cancelled;
    if (!fetched.ok())
        return PageOffer::fetchFailure(fetched);
    cookies = fetched.cookies;
    playlist = HlsPlaylist::read(text, fetched.address);
    // A master naming another master is no stream we follow.
    if (playlist.master)
        return Reason::StreamUnsupported;
    return StreamPlan::reasonOf(playlist.refusal);
}

Reason hls(std::string_view manifest, const std::string& address, const JobOptions& options,
           const CancelToken* cancel, TrackPlan& plan, std::vector<std::string>& cookies) {
    const HlsPlaylist playlist = HlsPlaylist::read(manifest, address);
    if (playlist.refusal != StreamRefusal::None)
        return StreamPlan::reasonOf(playlist.refusal);
    if (!playlist.master) {
        plan = TrackPlan::hls(playlist);
        return StreamPlan::reasonOf(plan.refusal);
    }
    const auto choice = TrackPlan::choose(playlist, options.quality, options.language);
    if (!choice || playlist.variants[choice->variant].url.empty())
        return Reason::StreamUnsupported;
    HlsPlaylist media;
    if (const Reason failed =
            fetchPlaylist(playlist.variants[choice->variant].url, options, cancel, cookies, media);
        failed != Reason::None)
        return failed;
    // The sound is a playlist of its own (a rendition with an address):
    // checked as the picture's is.
    HlsPlaylist sound;
    const bool apart = choice->sound && !playlist.renditions[*choice->sound].url.empty();
    if (apart) {
        if (const Reason failed = fetchPlaylist(playlist.renditions[*choice->sound].url, options,
                                                cancel, cookies, sound);
            failed != Reason::None)
            return failed;
    }
    plan = TrackPlan::hls(playlist, *choice, media, apart ? &sound : nullptr);
    return StreamPlan::reasonOf(plan.refusal);
}

Reason dash(std::string_view manifest, const std::string& address, const JobOptions& options,
            TrackPlan& plan) {
    const DashManifest mpd = DashManifest::read(manifest, address);
    if (mpd.refusal != StreamRefusal::None)
        return StreamPlan::reasonOf(mpd.refusal);
    plan = TrackPlan::dash(mpd, options.quality, options.language);
    return StreamPlan::reasonOf(plan.refusal);
}

} // namespace

Reason StreamPlan::make(StreamManifest::Kind kind, std::string_view manifest,
                        const std::string& address, const JobOptions& options,
                        const CancelToken* cancel, TrackPlan& plan,
                        std::vector<std::string>& cookies) {
    plan = {};
    switch (kind) {
    case StreamManifest::Kind::Hls:
        return hls(manifest, address, options, cancel, plan, cookies);
    case StreamManifest::Kind::Dash:
        return dash(manifest, address, options, plan);
    case StreamManifest::Kind::None:
        break;
    }
    return Reason::NoStream;
}

Reason StreamPlan::reasonOf(StreamRefusal refusal) {
    switch (refusal) {
    case StreamRefusal::None:
        return Reason::None;
    case StreamRefusal::Unsupported:
        return Reason::StreamUnsupported;
    case StreamRefusal::Live:
        return Reason::StreamLive;
    case StreamRefusal::Protected:
        return Reason::StreamProtected;
    }
    return Reason::StreamUnsupported;
}

#include "StreamPlan.h"

#include "CancelToken.h"
#include "DashManifest.h"
#include "HlsPlaylist.h"
#include "HttpClient.h"
#include "JobOptions.h"
#include "PageOffer.h"

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
           const CancelToken* cancel, StreamRequest& request) {
    HlsPlaylist playlist = HlsPlaylist::read(manifest, address);
    if (playlist.refusal != StreamRefusal::None)
        return StreamPlan::reasonOf(playlist.refusal);
    request.kind = StreamRequest::Kind::Hls;
    // Its first picture and sound, whichever it has.
    request.maps = {"0:v:0?", "0:a:0?"};
    if (!playlist.master) {
        request.inputs = {address};
        request.duration = playlist.durationSeconds;
        return Reason::None;
    }
    const auto chosen = playlist.choose(options.quality);
    if (!chosen)
        return Reason::StreamUnsupported;
    const HlsPlaylist::Variant& variant = playlist.variants[*chosen];
    HlsPlaylist media;
    if (const Reason failed = fetchPlaylist(variant.url, options, cancel, request.cookies, media);
        failed != Reason::None)
        return failed;
    request.inputs = {variant.url};
    request.duration = media.durationSeconds;
    request.audioOnly = variant.audio;
    if (variant.audio)
        request.maps = {"0:a:0"};
    if (!variant.audioUrl.empty()) {
        // The sound is a playlist of its own: checked as the picture's is.
        HlsPlaylist sound;
        if (const Reason failed =
                fetchPlaylist(variant.audioUrl, options, cancel, request.cookies, sound);
            failed != Reason::None)
            return failed;
        request.inputs.push_back(variant.audioUrl);
        request.maps = {"0:v:0?", "1:a:0"};
    }
    return Reason::None;
}

Reason dash(std::string_view manifest, const std::string& address, const JobOptions& options,
            StreamRequest& request) {
    const DashManifest mpd = DashManifest::read(manifest, address);
    if (mpd.refusal != StreamRefusal::None)
        return StreamPlan::reasonOf(mpd.refusal);
    request.kind = StreamRequest::Kind::Dash;
    request.inputs = {address};
    request.duration = mpd.durationSeconds;
    const auto video = mpd.chooseVideo(options.quality);
    const auto audio = mpd.chooseAudio(options.quality);
    if (!video && !audio)
        return Reason::StreamUnsupported;
    if (video)
        request.maps.push_back("0:v:" + std::to_string(mpd.representations[*video].streamIndex));
    if (audio)
        request.maps.push_back("0:a:" + std::to_string(mpd.representations[*audio].streamIndex));
    request.audioOnly = !video;
    return Reason::None;
}

} // namespace

Reason StreamPlan::make(StreamManifest::Kind kind, std::string_view manifest,
                        const std::string& address, const JobOptions& options,
                        const CancelToken* cancel, StreamRequest& request) {
    request = {};
    request.referer = options.referer;
    request.userAgent = options.userAgent;
    request.cookies = options.cookies;
    switch (kind) {
    case StreamManifest::Kind::Hls:
        return hls(manifest, address, options, cancel, request);
    case StreamManifest::Kind::Dash:
        return dash(manifest, address, options, request);
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

#include "stream/TrackPlan.h"

#include "base/AsciiCase.h"
#include "base/MediaFormat.h"
#include "page/CodecList.h"
#include "page/DashManifest.h"
#include "page/HlsPlaylist.h"
#include "stream/Aes128.h"
#include "stream/SegmentListFingerprint.h"

#include <algorithm>

namespace {

using Content = Track::Content;

StreamContainer hlsContainer(const HlsPlaylist& media) {
    if (!media.maps.empty())
        return MediaFormat::extensionOf(media.maps.front().part.url) == "ts"
                   ? StreamContainer::MpegTs
                   : StreamContainer::Mp4;
    const std::string extension = media.segments.empty()
                                      ? std::string()
                                      : MediaFormat::extensionOf(media.segments.front().part.url);
    for (const char* packed : {"aac", "mp3", "ac3", "ec3"})
        if (extension == packed)
            return StreamContainer::PackedAudio;
    return StreamContainer::MpegTs;
}

std::optional<SegmentKey> keyOf(const std::optional<HlsPlaylist::Key>& key, long long sequence) {
    if (!key)
        return std::nullopt;
    return SegmentKey{key->url, key->iv ? *key->iv : Aes128::sequenceIv(sequence)};
}

// A media playlist's segments as a track; its maps become the track's
// inits as segments first need them.
Track hlsTrack(const HlsPlaylist& media, Content content, long long bandwidth) {
    Track track;
    track.content = content;
    track.container = hlsContainer(media);
    track.bandwidth = bandwidth;
    std::vector<std::optional<std::size_t>> initOf(media.maps.size());
    track.segments.reserve(media.segments.size());
    for (const HlsPlaylist::Segment& s : media.segments) {
        StreamSegment segment{s.part, s.seconds, keyOf(s.key, s.sequence), std::nullopt};
        if (s.map && *s.map < media.maps.size()) {
            std::optional<std::size_t>& init = initOf[*s.map];
            if (!init) {
                const HlsPlaylist::Map& map = media.maps[*s.map];
                init = track.inits.size();
                track.inits.push_back({map.part, 0, keyOf(map.key, s.sequence), std::nullopt});
            }
            segment.init = init;
        }
        track.seconds += s.seconds;
        track.segments.push_back(std::move(segment));
    }
    return track;
}

// A media playlist of a master must be one that can be saved.
StreamRefusal mediaRefusal(const HlsPlaylist& media) {
    return media.master ? StreamRefusal::Unsupported : media.refusal;
}

// The master's subtitle renditions that name a playlist, each once.
std::vector<SubtitleTrack> hlsSubtitles(const HlsPlaylist& master) {
    std::vector<SubtitleTrack> found;
    for (const HlsPlaylist::Rendition& r : master.renditions) {
        if (r.type != "SUBTITLES" || r.url.empty() ||
            std::any_of(found.begin(), found.end(),
                        [&r](const SubtitleTrack& t) { return t.url == r.url; }))
            continue;
        SubtitleTrack track;
        track.carrier = SubtitleTrack::Carrier::HlsPlaylist;
        track.language = r.language;
        track.label = r.name;
        track.url = r.url;
        found.push_back(std::move(track));
    }
    return found;
}

// A DASH text representation: one WebVTT (or SRT) file is saved; anything
// else (segmented, or in MP4) is only named.
SubtitleTrack dashSubtitle(const DashManifest::Representation& r) {
    SubtitleTrack track;
    track.language = r.language;
    track.label = r.id;
    const auto segments = r.segmentList.segments();
    const bool oneFile = segments && !segments->init && segments->media.size() == 1 &&
                         !segments->media.front().part.range;
    if (segments && !segments->media.empty())
        track.url = segments->media.front().part.url;
    const std::string type = asciiLowered(r.mimeType);
    track.form = SubtitleTrack::formOf(track.url, type == "text/vtt" || type.empty() ? "" : type);
    const std::string codecs = asciiLowered(r.codecs);
    if (!oneFile || codecs.find("wvtt") != std::string::npos ||
        codecs.find("stpp") != std::string::npos)
        track.form = SubtitleTrack::Form::Other;
    return track;
}

void finish(TrackPlan& plan) {
    for (const Track& track : plan.tracks) {
        plan.seconds = std::max(plan.seconds, track.seconds);
        if (track.segments.empty())
            plan.refusal = worse(plan.refusal, StreamRefusal::Unsupported);
    }
    if (plan.tracks.empty())
        plan.refusal = worse(plan.refusal, StreamRefusal::Unsupported);
}

} // namespace

std::optional<TrackPlan::HlsChoice> TrackPlan::choose(const HlsPlaylist& master, int quality,
                                                      std::string_view language) {
    const auto variant = master.choose(quality);
    if (!variant)
        return std::nullopt;
    return HlsChoice{*variant, master.soundFor(*variant, language)};
}

TrackPlan TrackPlan::hls(const HlsPlaylist& media) {
    TrackPlan plan;
    plan.refusal = mediaRefusal(media);
    plan.tracks.push_back(hlsTrack(media, Content::Both, 0));
    finish(plan);
    return plan;
}

TrackPlan TrackPlan::hls(const HlsPlaylist& master, const HlsChoice& choice,
                         const HlsPlaylist& variant, const HlsPlaylist* sound) {
    TrackPlan plan;
    plan.refusal = master.refusal;
    if (choice.variant >= master.variants.size()) {
        plan.refusal = StreamRefusal::Unsupported;
        return plan;
    }
    const HlsPlaylist::Variant& chosen = master.variants[choice.variant];
    const long long bandwidth = std::max(chosen.bandwidth, chosen.averageBandwidth);
    plan.soundOnly = chosen.audio;
    const Content content = chosen.audio                       ? Content::Sound
                            : choice.sound && sound != nullptr ? Content::Picture
                                                               : Content::Both;
    plan.refusal = worse(plan.refusal, mediaRefusal(variant));
    plan.tracks.push_back(hlsTrack(variant, content, bandwidth));
    if (choice.sound && sound != nullptr && !chosen.audio) {
        plan.refusal = worse(plan.refusal, mediaRefusal(*sound));
        plan.tracks.push_back(hlsTrack(*sound, Content::Sound, bandwidth));
    }
    plan.subtitles = hlsSubtitles(master);
    finish(plan);
    return plan;
}

namespace {

bool addDashTrack(TrackPlan& plan, const DashManifest::Representation& r, Content content) {
    auto segments = r.segmentList.segments();
    if (!segments)
        return false;
    Track track;
    track.content = content;
    track.container = asciiLowered(r.mimeType).find("webm") != std::string::npos
                          ? StreamContainer::WebM
                          : StreamContainer::Mp4;
    track.bandwidth = r.bandwidth;
    if (segments->init)
        track.inits.push_back({*segments->init, 0, std::nullopt, std::nullopt});
    track.segments.reserve(segments->media.size());
    for (DashSegment& s : segments->media) {
        track.seconds += s.seconds;
        track.segments.push_back(
            {std::move(s.part), s.seconds, std::nullopt,
             track.inits.empty() ? std::nullopt : std::optional<std::size_t>(0)});
    }
    plan.tracks.push_back(std::move(track));
    return true;
}

} // namespace

TrackPlan TrackPlan::dash(const DashManifest& manifest, int quality, std::string_view language) {
    TrackPlan plan;
    plan.refusal = manifest.refusal;
    const auto video = manifest.chooseVideo(quality);
    const bool both = video && CodecList::picturesAndSound(manifest.representations[*video].codecs);
    const auto audio = both ? std::nullopt : manifest.chooseAudio(quality, language);
    bool made = true;
    if (video)
        made = addDashTrack(plan, manifest.representations[*video],
                            both ? Content::Both : Content::Picture);
    if (audio)
        made = made && addDashTrack(plan, manifest.representations[*audio], Content::Sound);
    plan.soundOnly = !video && audio;
    for (const DashManifest::Representation& r : manifest.representations)
        if (r.media == DashManifest::Media::Text)
            if (SubtitleTrack track = dashSubtitle(r); !track.url.empty())
                plan.subtitles.push_back(std::move(track));
    if (!made)
        plan.refusal = worse(plan.refusal, StreamRefusal::Unsupported);
    finish(plan);
    // The manifest's own length, when it says, is what the file must last.
    if (manifest.durationSeconds > 0)
        plan.seconds = manifest.durationSeconds;
    return plan;
}

std::string TrackPlan::fingerprint() const {
    return SegmentListFingerprint::of(tracks);
}

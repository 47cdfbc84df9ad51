#pragma once

#include "page/StreamRefusal.h"
#include "page/SubtitleTrack.h"
#include "stream/Track.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class DashManifest;
class HlsPlaylist;

// The tracks a stream is saved from: picture and sound, sound alone, or one
// representation holding both; the quality (1 to 4) picks the picture as
// QualityChoice does, the window's language the sound among equals.
class TrackPlan {
public:
    // What an HLS master's media playlists are: the variant (its playlist
    // holds the picture, or everything) and the sound rendition that goes
    // with it (HlsPlaylist::soundFor), whose playlists are read next.
    struct HlsChoice {
        std::size_t variant = 0;
        std::optional<std::size_t> sound;
    };
    // None when the master has no usable variant.
    static std::optional<HlsChoice> choose(const HlsPlaylist& master, int quality,
                                           std::string_view language);

    // A media playlist reached without a master: one track of whatever it
    // holds.
    static TrackPlan hls(const HlsPlaylist& media);
    // The master's choice made of its media playlists as read: picture (the
    // variant's) and sound (the rendition's; null when none was chosen).
    static TrackPlan hls(const HlsPlaylist& master, const HlsChoice& choice,
                         const HlsPlaylist& variant, const HlsPlaylist* sound);
    static TrackPlan dash(const DashManifest& manifest, int quality, std::string_view language);

    // Its tracks, the picture's (or the one holding both) first.
    std::vector<Track> tracks;
    // Sound alone: the saved file must have sound (an M4A).
    bool soundOnly = false;
    // The manifest's length: its longest track's.
    double seconds = 0;
    // The subtitle tracks it names: an HLS master's SUBTITLES renditions,
    // a DASH manifest's text tracks (one file each; others are listed as
    // Form::Other).
    std::vector<SubtitleTrack> subtitles;
    // Why it cannot be saved; None with at least one track.
    StreamRefusal refusal = StreamRefusal::None;

    // SegmentListFingerprint of its tracks.
    std::string fingerprint() const;
};

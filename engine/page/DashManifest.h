#pragma once

#include "DashSegmentList.h"
#include "StreamRefusal.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A DASH manifest (MPD) as text, read with libxml2's streaming reader
// (never reaching the network, no DTD, no entities): its type, duration,
// periods, protection and representations; and whether it can be saved.
// Every BaseURL, media, initialization and sourceURL is read against the
// manifest's address and the BaseURLs around it (at MPD, Period,
// AdaptationSet and Representation); any that is not http(s) makes the
// manifest unsupported. It fetches nothing.
class DashManifest {
public:
    // How a representation names its media.
    using Addressing = DashAddressing;
    // Its kind as ffmpeg's DASH reader tells it (contentType or mimeType of
    // the representation, else of its AdaptationSet, else of its
    // ContentComponent); ffmpeg leaves Other out.
    enum class Media { Other, Video, Audio, Text };

    struct Representation {
        std::string id;
        long long bandwidth = 0;
        long long width = 0;
        long long height = 0;
        std::string codecs;      // its own, else its AdaptationSet's
        std::string mimeType;    // likewise
        std::string contentType; // its AdaptationSet's
        std::string language;    // its AdaptationSet's lang
        Media media = Media::Other;
        // Its place among the manifest's streams of its kind, in document
        // order: what ffmpeg selects with "0:v:N" / "0:a:N" / "0:s:N".
        std::size_t streamIndex = 0;
        Addressing addressing = Addressing::None;
        // Its segments: SegmentURLs, a SegmentTimeline's S (each r+1), or
        // the period's duration over a template's; 1 for a single file.
        std::size_t segments = 0;
        // Its segments as described, written out by segmentList.segments().
        DashSegmentList segmentList;
    };

    static DashManifest read(std::string_view text, const std::string& address);

    // The video representation the app's quality (1 to 4) takes, by
    // QualityChoice; none when there is no video.
    std::optional<std::size_t> chooseVideo(int quality) const;
    // The sound to go with it: 4 the smallest bandwidth, else the largest,
    // among those in language when any is (LanguageTag); none when there
    // is no sound.
    std::optional<std::size_t> chooseAudio(int quality, std::string_view language = {}) const;

    bool dynamic = false;
    // mediaPresentationDuration; 0 when not given.
    double durationSeconds = 0;
    std::size_t periods = 0;
    bool contentProtection = false;
    std::vector<Representation> representations;

    StreamRefusal refusal = StreamRefusal::None;

    // More representations or segments than this: unsupported, and reading
    // stops.
    static constexpr std::size_t maxEntries = 10000;
    // A larger manifest is not read.
    static constexpr std::size_t maxBytes = std::size_t{64} << 20;
};

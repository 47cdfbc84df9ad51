#pragma once

#include "StreamRefusal.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An HLS playlist as text, read line by line in one pass with bounds: a
// master playlist's variants and renditions, or a media playlist's
// segments, keys and maps; and whether it can be saved. Every address is
// read against the playlist's own (RelativeAddress) and only http(s) ones
// are kept: any other makes the playlist unsupported. It fetches nothing.
class HlsPlaylist {
public:
    struct Variant {
        std::string url; // empty when it is no http(s) address
        long long bandwidth = 0;
        long long averageBandwidth = 0;
        long long width = 0;
        long long height = 0;
        std::string codecs;
        std::string audioGroup;
        // The playlist of the AUDIO group's DEFAULT=YES rendition, else of
        // its first that names one; empty when the sound is in the variant.
        std::string audioUrl;
        // Sound only: its CODECS are all sound codecs.
        bool audio = false;
        // False for a variant never to fetch: one naming the master itself
        // (it would be read again and again) or no http(s) address.
        bool usable = true;
    };

    struct Rendition {
        std::string type; // AUDIO, VIDEO, SUBTITLES, CLOSED-CAPTIONS
        std::string groupId;
        std::string name;
        std::string language;
        std::string url; // empty when it names none
        bool isDefault = false;
    };

    struct Key {
        std::string method; // NONE, AES-128, SAMPLE-AES...
        std::string url;
        std::string keyFormat; // empty: identity
    };

    static HlsPlaylist read(std::string_view text, const std::string& address);

    // The variant the app's quality (1 to 4) takes, by QualityChoice: a
    // usable one, a sound-only one only when no video is; none when no
    // variant is usable.
    std::optional<std::size_t> choose(int quality) const;

    // A master playlist (variants) rather than a media one (segments).
    bool master = false;
    std::vector<Variant> variants;
    std::vector<Rendition> renditions;

    // A media playlist's: the sum of its segments' durations, how many
    // there are, and whether the list is complete (#EXT-X-ENDLIST, or a VOD
    // playlist type).
    double durationSeconds = 0;
    std::size_t segments = 0;
    bool ended = false;
    // #EXT-X-KEY and #EXT-X-SESSION-KEY, in order (master or media).
    std::vector<Key> keys;
    // #EXT-X-MAP's addresses.
    std::vector<std::string> maps;

    StreamRefusal refusal = StreamRefusal::None;

    // Beyond these the playlist is unsupported and reading stops.
    static constexpr std::size_t maxEntries = 10000;
    // A longer line is skipped (and, when it is a tag or an address, makes
    // the playlist unsupported: it cannot be checked).
    static constexpr std::size_t maxLineBytes = 64 * 1024;
};

#pragma once

#include "SegmentRef.h"
#include "StreamRefusal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An HLS playlist as text, read line by line in one pass with bounds: a
// master playlist's variants and renditions, or a media playlist's
// segments, keys and maps; and whether it can be saved. Every address is
// read against the playlist's own (RelativeAddress) and only http(s) ones
// are kept: any other makes the playlist unsupported. Blanks around a line
// are no part of it (" #EXT-X-ENDLIST" ends the list): the segments read
// here are the ones a save fetches, and nothing reads the playlist again
// behind it. It fetches nothing.
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
        // The playlist of the sound soundFor chooses (in no particular
        // language); empty when the sound is in the variant.
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
        bool autoselect = false;
    };

    struct Key {
        std::string method; // NONE, AES-128, SAMPLE-AES...
        std::string url;
        std::string keyFormat; // empty: identity
        // Its IV attribute; none when the segment's media sequence number
        // is the IV.
        std::optional<std::array<std::uint8_t, 16>> iv;
    };

    // An #EXT-X-MAP: the init section of the segments after it.
    struct Map {
        SegmentRef part;
        // The AES-128 key in force where it stands; none when clear.
        std::optional<Key> key;
    };

    // A media playlist's segment, with what is in force for it.
    struct Segment {
        SegmentRef part; // a range's offset is never left out here
        double seconds = 0;
        long long sequence = 0; // its media sequence number
        // The AES-128 key it is encrypted with; none when clear.
        std::optional<Key> key;
        // Its init section, an index into maps; none without.
        std::optional<std::size_t> map;
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

    // The sound that goes with variants[variant]: an index into renditions,
    // or none when the variant carries its own. The group's renditions in
    // order: one without a playlist means the sound is in the variant;
    // then DEFAULT=YES; then the variant's own when its CODECS name sound;
    // then AUTOSELECT=YES; then the first. Among equals, language's
    // ("de", "en-GB"; empty for none) first.
    std::optional<std::size_t> soundFor(std::size_t variant, std::string_view language) const;

    // A media playlist's: the sum of its segments' durations, its segments
    // in order, and whether the list is complete (#EXT-X-ENDLIST, or a VOD
    // playlist type).
    double durationSeconds = 0;
    std::vector<Segment> segments;
    bool ended = false;
    // #EXT-X-MEDIA-SEQUENCE: the first segment's number.
    long long mediaSequence = 0;
    // #EXT-X-KEY and #EXT-X-SESSION-KEY, in order (master or media).
    std::vector<Key> keys;
    // #EXT-X-MAP's, in order.
    std::vector<Map> maps;

    StreamRefusal refusal = StreamRefusal::None;

    // Beyond these the playlist is unsupported and reading stops.
    static constexpr std::size_t maxEntries = 10000;
    // A longer line is skipped (and, when it is a tag or an address, makes
    // the playlist unsupported: it cannot be checked).
    static constexpr std::size_t maxLineBytes = 64 * 1024;
};

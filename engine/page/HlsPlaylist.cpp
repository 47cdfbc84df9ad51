#include "HlsPlaylist.h"

#include "CodecList.h"
#include "HlsAttributeList.h"
#include "LanguageTag.h"
#include "QualityChoice.h"
#include "RelativeAddress.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

long long number(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && value > 0 ? value : 0;
}

// "#EXTINF:9.009,title" gives 9.009; nothing readable, negative or absurd
// gives 0.
double segmentSeconds(std::string_view text) {
    text = trimmed(text.substr(0, text.find(',')));
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    return error == std::errc() && std::isfinite(seconds) && seconds > 0 && seconds < 1e9 ? seconds
                                                                                          : 0;
}

// "0x" and up to 32 hex digits, as a 16-byte big-endian number.
std::optional<std::array<std::uint8_t, 16>> ivOf(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || text.size() > 34)
        return std::nullopt;
    std::array<std::uint8_t, 16> iv{};
    std::size_t nibble = 0; // from the last digit back
    for (std::size_t i = text.size(); i-- > 2; ++nibble) {
        const char c = text[i];
        const int value = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (value < 0)
            return std::nullopt;
        iv[15 - nibble / 2] |= static_cast<std::uint8_t>(nibble % 2 ? value << 4 : value);
    }
    return iv;
}

std::string_view withoutFragment(std::string_view address) {
    return address.substr(0, address.find('#'));
}

// The playlist's own address as a join writes it, so that a variant naming
// it relatively or absolutely is recognised alike.
std::string normalised(const std::string& address) {
    const std::size_t colon = address.find("://");
    if (colon == std::string::npos)
        return address;
    const std::string joined = resolveAddress(address, std::string_view(address).substr(colon + 1));
    return joined.empty() ? address : joined;
}

class Reader {
public:
    Reader(HlsPlaylist& out, const std::string& address)
        : out(out), address(address), self(normalised(address)) {}

    // False when reading must stop.
    bool line(std::string_view text) {
        if (text.starts_with("#EXT-X-STREAM-INF:"))
            return streamInf(text.substr(18));
        if (text.starts_with("#EXTINF:")) {
            pendingSeconds = segmentSeconds(text.substr(8));
            media = true;
        } else if (text.starts_with("#EXT-X-BYTERANGE:")) {
            pendingRange = ByteRange::lengthAt(trimmed(text.substr(17)));
            if (!pendingRange)
                refuse(StreamRefusal::Unsupported);
            media = true;
        } else if (text.starts_with("#EXT-X-MEDIA:")) {
            return rendition(text.substr(13));
        } else if (text.starts_with("#EXT-X-KEY:")) {
            return key(text.substr(11), false);
        } else if (text.starts_with("#EXT-X-SESSION-KEY:")) {
            return key(text.substr(19), true);
        } else if (text.starts_with("#EXT-X-MAP:")) {
            return map(text.substr(11));
        } else if (text == "#EXT-X-ENDLIST" || text == "#EXT-X-PLAYLIST-TYPE:VOD") {
            out.ended = true;
            media = true;
        } else if (text.starts_with("#EXT-X-MEDIA-SEQUENCE:")) {
            // Room for every segment's number after it.
            if (out.segments.empty())
                out.mediaSequence = std::min(number(trimmed(text.substr(22))), LLONG_MAX / 2);
            media = true;
        } else if (text.starts_with("#EXT-X-TARGETDURATION:")) {
            media = true;
        } else if (text == "#EXT-X-GAP") {
            // A segment that is not there: the stream cannot be saved whole.
            refuse(StreamRefusal::Unsupported);
            media = true;
        } else if (text.starts_with("#EXT-X-I-FRAME-STREAM-INF:")) {
            out.master = true;
        } else if (!text.starts_with('#')) {
            return uriLine(text);
        }
        return true;
    }

    // A line too long to read: whatever it was cannot be checked.
    void skipped(std::string_view start) {
        if (!start.starts_with('#') || start.starts_with("#EXT"))
            refuse(StreamRefusal::Unsupported);
        if (!start.starts_with('#'))
            pendingVariant.reset();
    }

    void finish() {
        joinAudio();
        if (out.master) {
            bool anyUsable = false;
            for (const HlsPlaylist::Variant& v : out.variants)
                anyUsable = anyUsable || v.usable;
            if (!anyUsable || media)
                refuse(StreamRefusal::Unsupported);
        } else if (!out.ended) {
            refuse(StreamRefusal::Live);
        } else if (out.segments.empty()) {
            refuse(StreamRefusal::Unsupported);
        }
    }

private:
    void refuse(StreamRefusal refusal) { out.refusal = worse(out.refusal, refusal); }

    bool tooMany() {
        refuse(StreamRefusal::Unsupported);
        return false;
    }

    // reference read against the playlist's address; empty (and the
    // playlist unsupported) when that gives no http(s) address.
    std::string checked(std::string_view reference) {
        std::string url = resolveAddress(address, trimmed(reference));
        if (isHttpAddress(url))
            return url;
        refuse(StreamRefusal::Unsupported);
        return {};
    }

    bool streamInf(std::string_view attributeText) {
        out.master = true;
        const HlsAttributeList attributes(attributeText);
        HlsPlaylist::Variant variant;
        variant.bandwidth = number(attributes["BANDWIDTH"]);
        variant.averageBandwidth = number(attributes["AVERAGE-BANDWIDTH"]);
        const std::string_view resolution = attributes["RESOLUTION"];
        const std::size_t x = resolution.find_first_of("xX");
        if (x != std::string_view::npos) {
            variant.width = number(resolution.substr(0, x));
            variant.height = number(resolution.substr(x + 1));
        }
        variant.codecs = std::string(attributes["CODECS"]);
        variant.audioGroup = std::string(attributes["AUDIO"]);
        variant.audio = CodecList::onlySound(variant.codecs);
        pendingVariant = std::move(variant);
        return true;
    }

    bool rendition(std::string_view attributeText) {
        out.master = true;
        if (out.renditions.size() >= HlsPlaylist::maxEntries)
            return tooMany();
        const HlsAttributeList attributes(attributeText);
        HlsPlaylist::Rendition rendition;
        rendition.type = std::string(attributes["TYPE"]);
        rendition.groupId = std::string(attributes["GROUP-ID"]);
        rendition.name = std::string(attributes["NAME"]);
        rendition.language = std::string(attributes["LANGUAGE"]);
        rendition.isDefault = attributes["DEFAULT"] == "YES";
        rendition.autoselect = attributes["AUTOSELECT"] == "YES";
        if (attributes.has("URI"))
            rendition.url = checked(attributes["URI"]);
        out.renditions.push_back(std::move(rendition));
        return true;
    }

    bool key(std::string_view attributeText, bool session) {
        if (out.keys.size() >= HlsPlaylist::maxEntries)
            return tooMany();
        const HlsAttributeList attributes(attributeText);
        HlsPlaylist::Key key;
        key.method = std::string(attributes["METHOD"]);
        key.keyFormat = std::string(attributes["KEYFORMAT"]);
        bool usable = false;
        if (key.method == "SAMPLE-AES" || key.method == "SAMPLE-AES-CTR" ||
            (key.method != "NONE" && !key.keyFormat.empty() && key.keyFormat != "identity"))
            refuse(StreamRefusal::Protected);
        else if (key.method != "NONE" && key.method != "AES-128")
            refuse(StreamRefusal::Unsupported);
        else if (key.method == "AES-128" && !attributes.has("URI"))
            refuse(StreamRefusal::Unsupported);
        else
            usable = key.method == "AES-128";
        if (attributes.has("URI"))
            key.url = checked(attributes["URI"]);
        if (attributes.has("IV")) {
            key.iv = ivOf(trimmed(attributes["IV"]));
            if (!key.iv)
                refuse(StreamRefusal::Unsupported);
        }
        if (!session) {
            keyInForce.reset();
            if (usable && !key.url.empty())
                keyInForce = key;
        }
        out.keys.push_back(std::move(key));
        return true;
    }

    bool map(std::string_view attributeText) {
        if (out.maps.size() >= HlsPlaylist::maxEntries)
            return tooMany();
        const HlsAttributeList attributes(attributeText);
        HlsPlaylist::Map map;
        map.part.url = checked(attributes["URI"]);
        if (attributes.has("BYTERANGE")) {
            map.part.range = ByteRange::lengthAt(trimmed(attributes["BYTERANGE"]));
            if (!map.part.range)
                refuse(StreamRefusal::Unsupported);
            else if (map.part.range->offset < 0)
                map.part.range->offset = 0;
        }
        map.key = keyInForce;
        mapInForce = out.maps.size();
        out.maps.push_back(std::move(map));
        media = true;
        return true;
    }

    // A line naming a variant's playlist or a segment.
    bool uriLine(std::string_view reference) {
        if (pendingVariant) {
            if (out.variants.size() >= HlsPlaylist::maxEntries)
                return tooMany();
            HlsPlaylist::Variant variant = std::move(*pendingVariant);
            pendingVariant.reset();
            variant.url = checked(reference);
            variant.usable = !variant.url.empty() &&
                             withoutFragment(normalised(variant.url)) != withoutFragment(self);
            out.variants.push_back(std::move(variant));
            return true;
        }
        media = true;
        if (out.segments.size() >= HlsPlaylist::maxEntries)
            return tooMany();
        HlsPlaylist::Segment segment;
        segment.part.url = checked(reference);
        segment.seconds = pendingSeconds;
        segment.sequence = out.mediaSequence + static_cast<long long>(out.segments.size());
        segment.key = keyInForce;
        segment.map = mapInForce;
        if (pendingRange) {
            segment.part.range = *pendingRange;
            if (pendingRange->offset < 0)
                segment.part.range->offset = offsetAfterPrevious(segment.part);
        }
        pendingRange.reset();
        out.durationSeconds += pendingSeconds;
        pendingSeconds = 0;
        out.segments.push_back(std::move(segment));
        return true;
    }

    // A range without its offset goes on from the previous segment's range
    // of the same file; there is none to go on from, it cannot be read.
    long long offsetAfterPrevious(const SegmentRef& part) {
        if (out.segments.empty() || !out.segments.back().part.range ||
            out.segments.back().part.url != part.url ||
            out.segments.back().part.range->end() > ByteRange::maxBytes - part.range->length) {
            refuse(StreamRefusal::Unsupported);
            return 0;
        }
        return out.segments.back().part.range->end();
    }

    // Each variant's sound in no particular language, worked out once for
    // the variants that share a group and the same CODECS reading.
    void joinAudio() {
        std::unordered_map<std::string, std::optional<std::size_t>> chosen;
        for (std::size_t i = 0; i < out.variants.size(); ++i) {
            HlsPlaylist::Variant& v = out.variants[i];
            if (v.audioGroup.empty())
                continue;
            const std::string key =
                v.audioGroup + (CodecList::namesSound(v.codecs) ? "\n1" : "\n0");
            auto at = chosen.find(key);
            if (at == chosen.end())
                at = chosen.emplace(key, out.soundFor(i, {})).first;
            if (at->second)
                v.audioUrl = out.renditions[*at->second].url;
        }
    }

    HlsPlaylist& out;
    const std::string& address;
    const std::string self;
    std::optional<HlsPlaylist::Variant> pendingVariant;
    double pendingSeconds = 0;
    std::optional<ByteRange> pendingRange;
    std::optional<HlsPlaylist::Key> keyInForce;
    std::optional<std::size_t> mapInForce;
    // A media playlist's tags or segments were seen.
    bool media = false;
};

} // namespace

HlsPlaylist HlsPlaylist::read(std::string_view text, const std::string& address) {
    HlsPlaylist out;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    Reader reader(out, address);
    bool headerSeen = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (raw.size() > maxLineBytes) {
            if (!headerSeen)
                break;
            reader.skipped(trimmed(raw.substr(0, 16)));
            continue;
        }
        const std::string_view line = trimmed(raw);
        if (line.empty())
            continue;
        if (!headerSeen) {
            if (line != "#EXTM3U")
                break;
            headerSeen = true;
            continue;
        }
        if (!reader.line(line))
            return out;
    }
    if (!headerSeen) {
        out.refusal = StreamRefusal::Unsupported;
        return out;
    }
    reader.finish();
    return out;
}

std::optional<std::size_t> HlsPlaylist::soundFor(std::size_t variant,
                                                 std::string_view language) const {
    const Variant& v = variants.at(variant);
    if (v.audioGroup.empty())
        return std::nullopt;
    // 0 DEFAULT=YES, 1 the variant's own, 2 AUTOSELECT=YES, 3 any other.
    std::optional<std::size_t> best;
    int bestTier = 4;
    int bestLanguage = -1;
    for (std::size_t i = 0; i < renditions.size(); ++i) {
        const Rendition& r = renditions[i];
        if (r.type != "AUDIO" || r.groupId != v.audioGroup)
            continue;
        if (r.url.empty())
            return std::nullopt; // the sound is in the variant
        const int tier = r.isDefault ? 0 : r.autoselect ? 2 : 3;
        const int match = LanguageTag::match(r.language, language);
        if (tier < bestTier || (tier == bestTier && match > bestLanguage)) {
            best = i;
            bestTier = tier;
            bestLanguage = match;
        }
    }
    if (best && bestTier > 1 && CodecList::namesSound(v.codecs))
        return std::nullopt;
    return best;
}

std::optional<std::size_t> HlsPlaylist::choose(int quality) const {
    std::vector<QualityChoice::Candidate> candidates;
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        const Variant& v = variants[i];
        if (!v.usable)
            continue;
        candidates.push_back(
            {v.audio, v.height, v.bandwidth > 0 ? v.bandwidth : v.averageBandwidth});
        indices.push_back(i);
    }
    if (candidates.empty())
        return std::nullopt;
    return indices[QualityChoice::choose(candidates, quality)];
}

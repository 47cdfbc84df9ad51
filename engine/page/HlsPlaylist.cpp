#include "HlsPlaylist.h"

#include "HlsAttributeList.h"
#include "QualityChoice.h"
#include "RelativeAddress.h"

#include <algorithm>
#include <charconv>
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

bool isAudioCodec(std::string_view codec) {
    std::string lower;
    for (const char c : trimmed(codec))
        lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    for (const std::string_view sound :
         {"mp4a", "ac-3", "ec-3", "ac-4", "opus", "mp3", "flac", "alac", "dts", "vorbis"})
        if (lower.starts_with(sound))
            return true;
    return false;
}

// CODECS="mp4a.40.2" or "mp4a.40.2,ec-3": sound and nothing else.
bool onlySound(std::string_view codecs) {
    if (trimmed(codecs).empty())
        return false;
    while (true) {
        const std::size_t comma = codecs.find(',');
        if (!isAudioCodec(codecs.substr(0, comma)))
            return false;
        if (comma == std::string_view::npos)
            return true;
        codecs.remove_prefix(comma + 1);
    }
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
        } else if (text.starts_with("#EXT-X-MEDIA:")) {
            return rendition(text.substr(13));
        } else if (text.starts_with("#EXT-X-KEY:") || text.starts_with("#EXT-X-SESSION-KEY:")) {
            return key(text.substr(text.find(':') + 1));
        } else if (text.starts_with("#EXT-X-MAP:")) {
            if (out.maps.size() >= HlsPlaylist::maxEntries)
                return tooMany();
            out.maps.push_back(checked(HlsAttributeList(text.substr(11))["URI"]));
        } else if (text == "#EXT-X-ENDLIST" || text == "#EXT-X-PLAYLIST-TYPE:VOD") {
            out.ended = true;
            media = true;
        } else if (text.starts_with("#EXT-X-TARGETDURATION:") ||
                   text.starts_with("#EXT-X-MEDIA-SEQUENCE:")) {
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
        } else if (out.segments == 0) {
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
        variant.audio = onlySound(variant.codecs);
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
        if (attributes.has("URI"))
            rendition.url = checked(attributes["URI"]);
        out.renditions.push_back(std::move(rendition));
        return true;
    }

    bool key(std::string_view attributeText) {
        if (out.keys.size() >= HlsPlaylist::maxEntries)
            return tooMany();
        const HlsAttributeList attributes(attributeText);
        HlsPlaylist::Key key;
        key.method = std::string(attributes["METHOD"]);
        key.keyFormat = std::string(attributes["KEYFORMAT"]);
        if (key.method == "SAMPLE-AES" || key.method == "SAMPLE-AES-CTR" ||
            (key.method != "NONE" && !key.keyFormat.empty() && key.keyFormat != "identity"))
            refuse(StreamRefusal::Protected);
        else if (key.method != "NONE" && key.method != "AES-128")
            refuse(StreamRefusal::Unsupported);
        else if (key.method == "AES-128" && !attributes.has("URI"))
            refuse(StreamRefusal::Unsupported);
        if (attributes.has("URI"))
            key.url = checked(attributes["URI"]);
        out.keys.push_back(std::move(key));
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
        if (out.segments >= HlsPlaylist::maxEntries)
            return tooMany();
        ++out.segments;
        out.durationSeconds += pendingSeconds;
        pendingSeconds = 0;
        checked(reference);
        return true;
    }

    // Each variant's sound: its AUDIO group's DEFAULT=YES rendition that
    // names a playlist, else the group's first that does.
    void joinAudio() {
        std::unordered_map<std::string_view, const HlsPlaylist::Rendition*> sound;
        for (const HlsPlaylist::Rendition& r : out.renditions) {
            if (r.type != "AUDIO" || r.url.empty())
                continue;
            const auto [at, added] = sound.emplace(r.groupId, &r);
            if (!added && r.isDefault && !at->second->isDefault)
                at->second = &r;
        }
        for (HlsPlaylist::Variant& v : out.variants)
            if (const auto found = sound.find(v.audioGroup);
                !v.audioGroup.empty() && found != sound.end())
                v.audioUrl = found->second->url;
    }

    HlsPlaylist& out;
    const std::string& address;
    const std::string self;
    std::optional<HlsPlaylist::Variant> pendingVariant;
    double pendingSeconds = 0;
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

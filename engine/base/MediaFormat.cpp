#include "base/MediaFormat.h"

#include "base/AsciiCase.h"
#include "base/HttpAddress.h"

#include <array>
#include <string>

namespace {

using Kind = MediaFormat::Kind;

struct Entry {
    MediaFormat format;
    std::array<std::string_view, 2> extensions;
    std::array<std::string_view, 4> types;
};

constexpr MediaFormat flv{Kind::Whole, "flv", false};
constexpr MediaFormat mp4{Kind::Whole, "mp4", false};
constexpr MediaFormat webm{Kind::Whole, "webm", false};
constexpr MediaFormat mkv{Kind::Whole, "mkv", false};
constexpr MediaFormat m4a{Kind::Whole, "m4a", true};
constexpr MediaFormat mp3{Kind::Whole, "mp3", true};
constexpr MediaFormat ts{Kind::Part, "ts", false};
constexpr MediaFormat m4s{Kind::Part, "m4s", false};
constexpr MediaFormat vtt{Kind::Subtitles, "vtt", false};

// The order the library lists a folder's files in.
constexpr MediaFormat saved[] = {flv, mp4, webm, mkv, m4a, mp3};

constexpr Entry entries[] = {
    {flv, {"flv"}, {"video/x-flv"}},
    {mp4, {"mp4", "m4v"}, {"video/mp4", "video/x-m4v"}},
    {webm, {"webm"}, {"video/webm", "audio/webm"}},
    {mkv, {"mkv"}, {"video/x-matroska"}},
    {{Kind::Whole, "mov", false}, {"mov"}, {"video/quicktime"}},
    {{Kind::Whole, "ogv", false}, {"ogv"}, {"video/ogg"}},
    {m4a, {"m4a"}, {"audio/mp4", "audio/m4a", "audio/x-m4a"}},
    {{Kind::Whole, "aac", true}, {"aac"}, {"audio/aac"}},
    {mp3, {"mp3"}, {"audio/mpeg", "audio/mp3"}},
    {{Kind::Whole, "ogg", true}, {"ogg"}, {"audio/ogg"}},
    {{Kind::Whole, "oga", true}, {"oga"}, {}},
    {{Kind::Whole, "opus", true}, {"opus"}, {"audio/opus"}},
    {{Kind::Whole, "wav", true}, {"wav"}, {"audio/wav", "audio/x-wav", "audio/wave"}},
    {{Kind::Hls, "m3u8", false},
     {"m3u8"},
     {"application/vnd.apple.mpegurl", "application/x-mpegurl", "audio/mpegurl",
      "audio/x-mpegurl"}},
    {{Kind::Dash, "mpd", false}, {"mpd"}, {"application/dash+xml", "video/vnd.mpeg.dash.mpd"}},
    {ts, {"ts"}, {"video/mp2t", "audio/mp2t"}},
    {m4s, {"m4s"}, {"video/iso.segment"}},
    {{Kind::Part, "cmfv", false}, {"cmfv"}, {}},
    {{Kind::Part, "cmfa", true}, {"cmfa"}, {}},
    {vtt, {"vtt"}, {"text/vtt"}},
    {{Kind::Subtitles, "srt", false}, {"srt"}, {"application/x-subrip", "text/srt"}},
    {{Kind::Subtitles, "ttml", false}, {"ttml", "dfxp"}, {"application/ttml+xml"}},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// "Video/MP4; codecs=avc1" as "video/mp4".
std::string bareType(std::string_view type) {
    type = type.substr(0, type.find(';'));
    while (!type.empty() && isBlank(type.front()))
        type.remove_prefix(1);
    while (!type.empty() && isBlank(type.back()))
        type.remove_suffix(1);
    return asciiLowered(type);
}

constexpr std::string_view ebmlMagic = "\x1A\x45\xDF\xA3";
// How far into an EBML header its DocType ("webm" or "matroska") lies.
constexpr std::size_t ebmlHeaderBytes = 64;
// MPEG-TS packets begin with 0x47 every 188 bytes.
constexpr std::size_t tsPacketBytes = 188;

} // namespace

MediaFormat MediaFormat::ofType(std::string_view type) {
    const std::string given = bareType(type);
    if (given.empty())
        return {};
    for (const Entry& entry : entries)
        for (std::string_view known : entry.types)
            if (!known.empty() && given == known)
                return entry.format;
    return {};
}

MediaFormat MediaFormat::ofExtension(std::string_view extension) {
    const std::string given = asciiLowered(extension);
    if (given.empty())
        return {};
    for (const Entry& entry : entries)
        for (std::string_view known : entry.extensions)
            if (given == known)
                return entry.format;
    return {};
}

MediaFormat MediaFormat::ofAddress(std::string_view address) {
    return ofExtension(extensionOf(address));
}

MediaFormat MediaFormat::ofSignature(std::string_view head) {
    if (head.substr(0, 3) == "FLV")
        return flv;
    if (head.size() >= 12 && head.substr(4, 4) == "ftyp")
        return head.substr(8, 4) == "M4A " ? m4a : mp4;
    if (head.substr(0, 4) == ebmlMagic)
        return head.substr(0, ebmlHeaderBytes).find("webm") != std::string_view::npos ? webm : mkv;
    if (head.substr(0, 3) == "ID3" ||
        (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
         (static_cast<unsigned char>(head[1]) & 0xE6) == 0xE2))
        return mp3;
    if (head.size() >= 8) {
        const std::string_view box = head.substr(4, 4);
        if (box == "styp" || box == "moof" || box == "sidx")
            return m4s;
    }
    if (head.size() > tsPacketBytes && head[0] == 0x47 && head[tsPacketBytes] == 0x47)
        return ts;
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    if (head.starts_with("WEBVTT"))
        return vtt;
    return {};
}

bool MediaFormat::signatureDecided(std::string_view first) {
    if (first.size() >= ebmlHeaderBytes)
        return true;
    return first.size() >= 12 && first.substr(0, 4) != ebmlMagic;
}

bool MediaFormat::isMediaType(std::string_view type) {
    const std::string kind = asciiLowered(type.substr(0, 6));
    return kind == "video/" || kind == "audio/";
}

std::string MediaFormat::extensionOf(std::string_view address) {
    std::string_view path = withoutQuery(address);
    const auto slash = path.rfind('/');
    if (slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    const auto dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string() : asciiLowered(path.substr(dot + 1));
}

std::span<const MediaFormat> MediaFormat::savedFormats() {
    return saved;
}

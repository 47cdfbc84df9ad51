// Page reading: the stream choice (StreamChoice::inPage on the input as a
// page), the title extraction (PageTitle::find), the file title
// (FileTitle::safe), the page's picture (PagePicture::address) and percent
// decoding (percentDecode), the sources its markup and JSON-LD name
// (PageSources), and the same bytes as an HLS playlist (HlsPlaylist) and a
// DASH manifest (DashManifest), their segment lists and the tracks made of
// them (TrackPlan), with the properties each promises.
#include "FuzzCheck.h"
#include "files/FileTitle.h"
#include "page/DashManifest.h"
#include "page/HlsPlaylist.h"
#include "page/PagePicture.h"
#include "page/PageSources.h"
#include "page/PageTitle.h"
#include "page/PageTracks.h"
#include "page/PercentDecoder.h"
#include "page/RelativeAddress.h"
#include "page/StreamChoice.h"
#include "page/StreamManifest.h"
#include "page/StreamMap.h"
#include "stream/TrackPlan.h"

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cuchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string kPageUrl = "http://127.0.0.1/dir/watch";

// What percentDecode promises, written out: "%" and two hex digits become
// that byte, everything else (NUL included) stays.
std::string expectedDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool isC1(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size() &&
           static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool hasControls(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isControl(static_cast<unsigned char>(text[i])) || isC1(text, i))
            return true;
    return false;
}

bool hasBidiControls(std::string_view text) {
    for (const char* c : {"\u200E", "\u200F", "\u202A", "\u202B", "\u202C", "\u202D", "\u202E",
                          "\u2066", "\u2067", "\u2068", "\u2069"})
        if (text.find(c) != std::string_view::npos)
            return true;
    return false;
}

// Well-formed UTF-8: what the C.UTF-8 locale reads, within Unicode.
bool isUtf8(const std::string& s) {
    std::mbstate_t state{};
    char32_t c = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = std::mbrtoc32(&c, s.data() + i, s.size() - i, &state);
        if (n > s.size() - i || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += n ? n : 1;
    }
    return true;
}

// What every cleaned title promises: valid UTF-8 with nothing a file name
// must not show, no hidden name, no blanks at either end.
void checkCleaned(const std::string& title) {
    FUZZ_CHECK(isUtf8(title));
    FUZZ_CHECK(!hasControls(title));
    FUZZ_CHECK(!hasBidiControls(title));
    FUZZ_CHECK(title.find('/') == std::string::npos);
    FUZZ_CHECK(title.empty() || (title.front() != '.' && title.front() != ' '));
    FUZZ_CHECK(title.empty() || title.back() != ' ');
}

std::size_t utf8Characters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void checkDecoding(const std::string& text, const std::string& decoded) {
    std::string inPlace = text;
    percentDecode(inPlace);
    FUZZ_CHECK(inPlace == decoded);
    FUZZ_CHECK(decoded.size() <= text.size());
}

// The file title made from any text (here the page itself): clean, never
// empty, within the name limit, and made safe once for all.
void checkFileTitle(const std::string& text) {
    const std::string title = FileTitle::safe(text);
    checkCleaned(title);
    FUZZ_CHECK(!title.empty());
    FUZZ_CHECK(title.size() <= FileTitle::maxSafeBytes);
    FUZZ_CHECK(FileTitle::safe(title) == title);
}

// The stream a job takes from the page at the given quality.
StreamChoice searched(std::string text, int quality) {
    return StreamChoice::inPage(text, quality, kPageUrl);
}

void checkStreamMap(const std::string& text, const std::string& decoded) {
    const StreamChoice lowest = searched(text, 4);
    const bool found = lowest.found();

    // Found exactly when the decoded page's map has at least one entry.
    const StreamMap map = StreamMap::inPage(decoded);
    if (decoded.find("fmt_url_map=") == std::string::npos)
        FUZZ_CHECK(map.empty());
    std::vector<std::string_view> entries;
    map.forEach([&](std::string_view entry) { entries.push_back(entry); });
    FUZZ_CHECK(found == !entries.empty());
    FUZZ_CHECK(lowest.count == entries.size());
    if (!found) {
        FUZZ_CHECK(lowest.url.empty());
        return;
    }
    // The ends are those of a stable sort in key order: quality 4 takes the
    // first, the others the last.
    std::stable_sort(entries.begin(), entries.end(), StreamMap::before);
    FUZZ_CHECK(map.first().data() == entries.front().data());
    FUZZ_CHECK(map.last().data() == entries.back().data());
    FUZZ_CHECK(lowest.url == resolveAddress(kPageUrl, StreamMap::address(map.first())));
    const StreamChoice highest = searched(text, 1);
    FUZZ_CHECK(highest.url == resolveAddress(kPageUrl, StreamMap::address(map.last())));
}

void checkTitle(const std::string& text, const std::string& decoded) {
    const auto found = PageTitle::find(text);
    // Read as its decoded form: any page that decodes alike gives the same.
    std::string encoded;
    for (const char c : decoded)
        encoded +=
            "%" + std::string(1, "0123456789ABCDEF"[(c >> 4) & 15]) + "0123456789ABCDEF"[c & 15];
    FUZZ_CHECK(PageTitle::find(encoded) == found);
    if (!found)
        return;
    const std::string& title = *found;
    FUZZ_CHECK(utf8Characters(title) <= 42);
    FUZZ_CHECK(title.find_first_of(";|") == std::string::npos);
    checkCleaned(title);
    // The window and the tool name the file alike: the job changes a found
    // title no further.
    if (!title.empty() && title.size() <= FileTitle::maxSafeBytes)
        FUZZ_CHECK(FileTitle::safe(title) == title);
}

bool webOrEmpty(const std::string& url) {
    return url.empty() || isHttpAddress(url);
}

// Read as a playlist: within its bounds, every address kept a web address,
// and a playlist said to be savable has what saving needs.
void checkPlaylist(const std::string& text) {
    const HlsPlaylist hls = HlsPlaylist::read(text, kPageUrl);
    FUZZ_CHECK(hls.variants.size() <= HlsPlaylist::maxEntries);
    FUZZ_CHECK(hls.renditions.size() <= HlsPlaylist::maxEntries);
    FUZZ_CHECK(hls.segments.size() <= HlsPlaylist::maxEntries);
    FUZZ_CHECK(hls.keys.size() <= HlsPlaylist::maxEntries);
    FUZZ_CHECK(hls.maps.size() <= HlsPlaylist::maxEntries);
    FUZZ_CHECK(hls.durationSeconds >= 0);
    bool anyUsable = false;
    for (const HlsPlaylist::Variant& v : hls.variants) {
        FUZZ_CHECK(webOrEmpty(v.url) && webOrEmpty(v.audioUrl));
        FUZZ_CHECK(!v.usable || !v.url.empty());
        anyUsable = anyUsable || v.usable;
    }
    for (const HlsPlaylist::Rendition& r : hls.renditions)
        FUZZ_CHECK(webOrEmpty(r.url));
    for (const HlsPlaylist::Key& k : hls.keys)
        FUZZ_CHECK(webOrEmpty(k.url));
    for (const HlsPlaylist::Map& map : hls.maps)
        FUZZ_CHECK(webOrEmpty(map.part.url) && (!map.part.range || map.part.range->offset >= 0));
    // Each segment's address a web one, its range whole, its number the one
    // after the last, its key one to fetch and its map one that is there.
    for (std::size_t i = 0; i < hls.segments.size(); ++i) {
        const HlsPlaylist::Segment& s = hls.segments[i];
        FUZZ_CHECK(webOrEmpty(s.part.url) && s.seconds >= 0);
        FUZZ_CHECK(!s.part.range || (s.part.range->offset >= 0 && s.part.range->length > 0));
        FUZZ_CHECK(s.sequence == hls.mediaSequence + static_cast<long long>(i));
        FUZZ_CHECK(!s.key || (s.key->method == "AES-128" && isHttpAddress(s.key->url)));
        FUZZ_CHECK(!s.map || *s.map < hls.maps.size());
    }
    if (hls.refusal == StreamRefusal::None && !hls.master) {
        const TrackPlan plan = TrackPlan::hls(hls);
        FUZZ_CHECK(plan.refusal == StreamRefusal::None && plan.tracks.size() == 1);
        FUZZ_CHECK(plan.tracks[0].segments.size() == hls.segments.size());
        FUZZ_CHECK(plan.tracks[0].byteBound() > 0 && plan.fingerprint().size() == 64);
    }
    for (int quality = 1; quality <= 4; ++quality) {
        const auto chosen = hls.choose(quality);
        FUZZ_CHECK(chosen.has_value() == anyUsable);
        FUZZ_CHECK(!chosen || hls.variants[*chosen].usable);
    }
    if (hls.refusal == StreamRefusal::None) {
        if (hls.master)
            FUZZ_CHECK(anyUsable && hls.segments.empty());
        else
            FUZZ_CHECK(hls.ended && !hls.segments.empty());
    }
    // Only what starts a playlist is taken for one by its bytes.
    if (StreamManifest::recognise({}, text, {}) == StreamManifest::Kind::Hls)
        FUZZ_CHECK(text.find("#EXTM3U") != std::string::npos);
}

// Read as a DASH manifest: within its bounds, its streams numbered by kind,
// and a manifest said to be savable is static, clear and of one period.
void checkManifest(const std::string& text) {
    const DashManifest dash = DashManifest::read(text, kPageUrl);
    FUZZ_CHECK(dash.representations.size() <= DashManifest::maxEntries);
    std::size_t streams[4] = {};
    for (const DashManifest::Representation& r : dash.representations) {
        FUZZ_CHECK(r.segments <= DashManifest::maxEntries);
        if (r.media != DashManifest::Media::Other)
            FUZZ_CHECK(r.streamIndex == streams[static_cast<int>(r.media)]++);
        if (dash.refusal == StreamRefusal::None)
            FUZZ_CHECK(r.addressing != DashManifest::Addressing::None && r.segments > 0);
    }
    // A savable manifest's representations write out as many segments as
    // they count, every address a web one.
    if (dash.refusal == StreamRefusal::None)
        for (const DashManifest::Representation& r : dash.representations) {
            const auto written = r.segmentList.segments();
            FUZZ_CHECK(written && written->media.size() == r.segments);
            FUZZ_CHECK(!written->init || isHttpAddress(written->init->url));
            for (const DashSegment& s : written->media)
                FUZZ_CHECK(isHttpAddress(s.part.url));
        }
    if (dash.refusal == StreamRefusal::None)
        FUZZ_CHECK(!dash.dynamic && !dash.contentProtection && dash.periods == 1 &&
                   !dash.representations.empty());
    for (int quality = 1; quality <= 4; ++quality) {
        const auto video = dash.chooseVideo(quality);
        FUZZ_CHECK(!video || dash.representations[*video].media == DashManifest::Media::Video);
        const auto audio = dash.chooseAudio(quality);
        FUZZ_CHECK(!audio || dash.representations[*audio].media == DashManifest::Media::Audio);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(std::setlocale(LC_CTYPE, "C.UTF-8"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every byte is page text, NUL included.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = expectedDecode(text);

    checkDecoding(text, decoded);
    checkStreamMap(text, decoded);
    checkTitle(text, decoded);
    checkFileTitle(text);
    // The picture's address is a web address or nothing: never a file or
    // another scheme a page could slip in.
    const std::string picture = PagePicture::address(text, kPageUrl);
    FUZZ_CHECK(picture.empty() || picture.rfind("http://", 0) == 0 ||
               picture.rfind("https://", 0) == 0);
    // The sources the markup and its JSON-LD name: web addresses only, each
    // once, within the bound, and the quality's choice one of them.
    const PageSources sources = PageSources::read(text, kPageUrl);
    FUZZ_CHECK(sources.sources.size() <= PageSources::maxSources);
    for (const PageSource& source : sources.sources) {
        const std::string scheme = source.url.substr(0, source.url.find(':'));
        FUZZ_CHECK(scheme.size() == 4 || scheme.size() == 5);
        FUZZ_CHECK(source.url.find("://") == scheme.size());
    }
    // Its players' subtitle tracks: web addresses, each once, within theirs.
    FUZZ_CHECK(sources.subtitles.size() <= PageTracks::maxTracks);
    for (const SubtitleTrack& track : sources.subtitles)
        FUZZ_CHECK(isHttpAddress(track.url));
    if (!sources.sources.empty())
        for (int quality = 1; quality <= 4; ++quality)
            FUZZ_CHECK(PageSources::choose(sources.sources, quality) < sources.sources.size());
    checkPlaylist(text);
    checkManifest(text);
    return 0;
}

// Reading HLS playlists and DASH manifests (HlsPlaylist, DashManifest) made
// to hurt: a 100,000-segment playlist (refused at 10,000), 60 MB of a
// master's variants, tags and overlong lines, and a 60 MB manifest of
// representations and elements the reader passes over, and an MPD of 9,000
// representations sharing one 10,000-segment timeline, read and the
// chosen one's tracks written out (TrackPlan). Prints the time the reading
// took and how far the resident set rose above the text itself.
//
//   quillmoth-bench-manifests segments | playlist | mpd | timeline
#include "DashManifest.h"
#include "HlsPlaylist.h"
#include "ProcStatus.h"
#include "TrackPlan.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr std::size_t kHostileBytes = std::size_t{60} << 20;

std::string segments() {
    // Made in place: the peak of the resident set is the reading's.
    std::string text;
    text.reserve(std::size_t{6} << 20);
    text += "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-PLAYLIST-TYPE:VOD\n";
    for (int i = 0; i < 100000; ++i)
        text += "#EXTINF:4.000,\nhttps://cdn.example/v/segment" + std::to_string(i) + ".ts\n";
    text += "#EXT-X-ENDLIST\n";
    return text;
}

std::string playlist() {
    std::string text;
    text.reserve(kHostileBytes + 4096);
    text += "#EXTM3U\n";
    for (int i = 0; i < 9000; ++i)
        text += "#EXT-X-STREAM-INF:BANDWIDTH=" + std::to_string(i + 1) +
                ",RESOLUTION=1280x720,CODECS=\"avc1.64001f,mp4a.40.2\",AUDIO=\"a\"\nv" +
                std::to_string(i) + ".m3u8\n";
    for (int i = 0; i < 9000; ++i)
        text += "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"n, " + std::to_string(i) +
                "\",URI=\"a" + std::to_string(i) + ".m3u8\"\n";
    const std::string longLine = "# " + std::string(100000, 'x') + "\n";
    while (text.size() < kHostileBytes / 2)
        text += longLine;
    while (text.size() < kHostileBytes)
        text += "#EXT-X-UNKNOWN:A=1,B=\"2,3\"\n";
    return text;
}

std::string mpd() {
    std::string text;
    text.reserve(kHostileBytes + 4096);
    text += "<?xml version=\"1.0\"?><MPD type=\"static\" mediaPresentationDuration=\"PT1H\">"
            "<Period><AdaptationSet mimeType=\"video/mp4\"><SegmentTemplate timescale=\"1000\" "
            "duration=\"4000\" media=\"$RepresentationID$/$Number$.m4s\"/>";
    for (int i = 0; i < 9000; ++i)
        text += "<Representation id=\"r" + std::to_string(i) + "\" bandwidth=\"" +
                std::to_string(i + 1) + "\" width=\"1280\" height=\"720\"/>";
    text += "<Label>";
    while (text.size() < kHostileBytes)
        text += "<Accessibility schemeIdUri=\"urn:x\" value=\"words words words\"/>";
    text += "</Label></AdaptationSet></Period></MPD>";
    return text;
}

std::string timeline() {
    std::string text =
        "<?xml version=\"1.0\"?><MPD type=\"static\" mediaPresentationDuration="
        "\"PT40000S\"><Period><AdaptationSet mimeType=\"video/mp4\"><SegmentTemplate "
        "timescale=\"1000\" media=\"$RepresentationID$/$Number%06d$.m4s\" "
        "initialization=\"$RepresentationID$/init.mp4\"><SegmentTimeline>";
    // One S each: copied to every representation, 9,000 timelines would
    // take gigabytes.
    for (int i = 0; i < 10000; ++i)
        text += "<S d=\"" + std::to_string(4000 + i % 2) + "\"/>";
    text += "</SegmentTimeline></SegmentTemplate>";
    for (int i = 0; i < 9000; ++i)
        text += "<Representation id=\"r" + std::to_string(i) + "\" bandwidth=\"" +
                std::to_string(i + 1) + "\" width=\"1280\" height=\"720\"/>";
    return text + "</AdaptationSet></Period></MPD>";
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode != "segments" && mode != "playlist" && mode != "mpd" && mode != "timeline") {
        std::fprintf(stderr,
                     "usage: quillmoth-bench-manifests segments | playlist | mpd | timeline\n");
        return 2;
    }
    const std::string text = mode == "segments"   ? segments()
                             : mode == "playlist" ? playlist()
                             : mode == "mpd"      ? mpd()
                                                  : timeline();
    const long withText = ProcStatus::residentKiB();
    const auto start = std::chrono::steady_clock::now();
    std::size_t entries = 0;
    int refusal = 0;
    if (mode == "timeline") {
        const DashManifest dash = DashManifest::read(text, "https://cdn.example/m.mpd");
        const TrackPlan plan = TrackPlan::dash(dash, 1, {});
        entries = plan.tracks.empty() ? 0 : plan.tracks[0].segments.size();
        refusal = static_cast<int>(plan.refusal);
    } else if (mode == "mpd") {
        const DashManifest dash = DashManifest::read(text, "https://cdn.example/m.mpd");
        entries = dash.representations.size();
        refusal = static_cast<int>(dash.refusal);
    } else {
        const HlsPlaylist hls = HlsPlaylist::read(text, "https://cdn.example/m.m3u8");
        entries = hls.master ? hls.variants.size() : hls.segments.size();
        refusal = static_cast<int>(hls.refusal);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("text_bytes=%zu\nentries=%zu\nrefusal=%d\nseconds=%.3f\nabove_text_kib=%ld\n",
                text.size(), entries, refusal, took.count(), ProcStatus::peakKiB() - withText);
    return 0;
}

#include "page/DashManifest.h"
#include "page/HlsPlaylist.h"
#include "stream/Aes128.h"
#include "stream/SegmentCheck.h"
#include "stream/TrackPlan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Verdict = SegmentCheck::Verdict;

std::string master(const std::string& renditions, const std::string& codecs) {
    return "#EXTM3U\n" + renditions + "#EXT-X-STREAM-INF:BANDWIDTH=1000,CODECS=\"" + codecs +
           "\",AUDIO=\"g\"\nv.m3u8\n";
}

std::string rendition(const std::string& attributes, const std::string& uri) {
    return "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"g\"," + attributes +
           (uri.empty() ? "" : ",URI=\"" + uri + "\"") + "\n";
}

// A box of type with size bytes in all.
std::string box(const char* type, std::size_t size) {
    std::string out(size, '\0');
    out[3] = static_cast<char>(size & 0xff);
    out[2] = static_cast<char>(size >> 8);
    out.replace(4, 4, type);
    return out;
}

} // namespace

// The variant's own sound unless a default rendition is named; then
// AUTOSELECT, then the first; the window's language among equals.
TEST(StreamTracksTest, SoundGoesWithThePictureByItsRule) {
    const auto sound = [](const std::string& text, std::string_view language = {}) {
        const HlsPlaylist hls = HlsPlaylist::read(text, "https://h/m.m3u8");
        const auto choice = TrackPlan::choose(hls, 1, language);
        EXPECT_TRUE(choice);
        return choice && choice->sound ? hls.renditions[*choice->sound].name : "own";
    };
    const std::string both = "avc1.64001f,mp4a.40.2";
    const std::string alternate = rendition("NAME=\"alt\",DEFAULT=NO", "alt.m3u8");
    EXPECT_EQ(sound(master(alternate, both)), "own");
    EXPECT_EQ(sound(master(alternate, "avc1.64001f")), "alt");
    EXPECT_EQ(sound(master(rendition("NAME=\"in\"", "") + alternate, "avc1.64001f")), "own");
    EXPECT_EQ(sound(master(alternate + rendition("NAME=\"main\",DEFAULT=YES", "m.m3u8"), both)),
              "main");
    const std::string choices = alternate +
                                rendition("NAME=\"en\",AUTOSELECT=YES,LANGUAGE=\"en\"", "en.m3u8") +
                                rendition("NAME=\"de\",AUTOSELECT=YES,LANGUAGE=\"de\"", "de.m3u8");
    EXPECT_EQ(sound(master(choices, "avc1")), "en");
    EXPECT_EQ(sound(master(choices, "avc1"), "de-AT"), "de");
    EXPECT_EQ(sound(master(choices, both), "de"), "own");

    // DASH: one representation holding both is one track; else the sound
    // in the window's language.
    const auto tracks = [](const std::string& videoCodecs, std::string_view language) {
        const DashManifest dash = DashManifest::read(
            R"(<MPD mediaPresentationDuration="PT4S"><Period><AdaptationSet mimeType="video/mp4"><Representation id="v"
               bandwidth="8000000" codecs=")" +
                videoCodecs + R"("><BaseURL>v.mp4</BaseURL></Representation></AdaptationSet>
               <AdaptationSet mimeType="audio/mp4" lang="en"><Representation id="en" bandwidth="2"><BaseURL>en.mp4</BaseURL></Representation></AdaptationSet>
               <AdaptationSet mimeType="audio/mp4" lang="fr"><Representation id="fr" bandwidth="1"><BaseURL>fr.mp4</BaseURL></Representation></AdaptationSet>
               </Period></MPD>)",
            "https://h/m.mpd");
        const TrackPlan plan = TrackPlan::dash(dash, 1, language);
        EXPECT_EQ(plan.refusal, StreamRefusal::None);
        std::string said;
        for (const Track& t : plan.tracks)
            said += std::to_string(static_cast<int>(t.content)) + ":" +
                    t.segments.at(0).part.url.substr(10) + " ";
        EXPECT_GT(plan.tracks.at(0).byteBound(), 8000000 / 8 * 4 * 2);
        return said;
    };
    EXPECT_EQ(tracks("avc1.4d401f,mp4a.40.2", "fr"), "2:v.mp4 ");
    EXPECT_EQ(tracks("avc1.4d401f", "fr"), "0:v.mp4 1:fr.mp4 ");
    EXPECT_EQ(tracks("avc1.4d401f", "de"), "0:v.mp4 1:en.mp4 ");
}

// The status asked for, no page, the exact length, decrypted with its
// padding right, and the container.
TEST(StreamTracksTest, OnlyASegmentThatPassesEveryCheckCounts) {
    const std::string ts = [] {
        std::string t(SegmentCheck::tsPacket * 3, '\x01');
        for (std::size_t i = 0; i < t.size(); i += SegmentCheck::tsPacket)
            t[i] = 0x47;
        return t;
    }();
    const ByteRange range{100, static_cast<long long>(ts.size())};
    EXPECT_EQ(SegmentCheck::answer({200, -1, ts}, std::nullopt), Verdict::Ok);
    EXPECT_EQ(SegmentCheck::answer({206, 564, ts}, range), Verdict::Ok);
    EXPECT_EQ(SegmentCheck::answer({200, 564, ts}, range), Verdict::Status);
    EXPECT_EQ(SegmentCheck::answer({206, 563, ts.substr(1)}, range), Verdict::Length);
    EXPECT_EQ(SegmentCheck::answer({200, 600, ts}, std::nullopt), Verdict::Length);
    EXPECT_EQ(SegmentCheck::answer({200, -1, ""}, std::nullopt), Verdict::Length);
    EXPECT_EQ(SegmentCheck::answer({200, -1, "<!DOCTYPE html><p>sign in"}, std::nullopt),
              Verdict::Page);
    EXPECT_EQ(SegmentCheck::answer({200, -1, "{\"error\": \"expired\"}"}, std::nullopt),
              Verdict::Page);

    using C = StreamContainer;
    EXPECT_EQ(SegmentCheck::content(ts, C::MpegTs), Verdict::Ok);
    EXPECT_EQ(SegmentCheck::content(ts.substr(0, 400), C::MpegTs), Verdict::Container);
    EXPECT_EQ(SegmentCheck::content(std::string(ts).replace(376, 1, "H"), C::MpegTs),
              Verdict::Container);
    const std::string fragment = box("styp", 24) + box("moof", 100) + box("mdat", 300);
    EXPECT_EQ(SegmentCheck::content(fragment, C::Mp4), Verdict::Ok);
    EXPECT_EQ(SegmentCheck::content(fragment.substr(0, 300), C::Mp4), Verdict::Container);
    EXPECT_EQ(SegmentCheck::content(ts, C::Mp4), Verdict::Container);
    EXPECT_EQ(SegmentCheck::content("\x1A\x45\xDF\xA3\x01", C::WebM), Verdict::Ok);
    EXPECT_EQ(SegmentCheck::content("\xFF\xF1\x50\x80", C::PackedAudio), Verdict::Ok);
    EXPECT_EQ(SegmentCheck::content(fragment, C::PackedAudio), Verdict::Container);

    // SP 800-38A's first block: its clear end (0x2a) is no padding.
    const std::string key("\x2b\x7e\x15\x16\x28\xae\xd2\xa6\xab\xf7\x15\x88\x09\xcf\x4f\x3c", 16);
    const std::string cipher("\x3a\xd7\x7b\xb4\x0d\x7a\x36\x60\xa8\x9e\xca\xf3\x24\x66\xef\x97",
                             16);
    const std::pair<std::string, std::string> wrong[] = {
        {key, cipher}, {key.substr(1), cipher}, {key, cipher.substr(1)}};
    for (const auto& [k, c] : wrong)
        EXPECT_FALSE(Aes128::decrypt(k, Aes128::Block{}, c));
}

// Another visit's signed addresses are the same list; another range is not.
TEST(StreamTracksTest, FingerprintTellsAnotherSegmentList) {
    const auto plan = [](const std::string& query, const std::string& range) {
        return TrackPlan::hls(HlsPlaylist::read("#EXTM3U\n#EXTINF:2,\n#EXT-X-BYTERANGE:" + range +
                                                    "\na.ts" + query + "\n#EXT-X-ENDLIST\n",
                                                "https://h/p.m3u8"));
    };
    const TrackPlan first = plan("?sig=1", "1000@0");
    EXPECT_EQ(first.refusal, StreamRefusal::None);
    EXPECT_EQ(first.fingerprint().size(), 64u);
    EXPECT_EQ(first.fingerprint(), plan("?sig=2", "1000@0").fingerprint());
    EXPECT_NE(first.fingerprint(), plan("?sig=1", "1001@0").fingerprint());
    // Ranges are exact: only the slack beyond them.
    EXPECT_EQ(first.tracks.at(0).byteBound(), 1000 + Track::byteSlack);
}

// A master's SUBTITLES renditions (each playlist once) and a DASH manifest's
// text tracks: one WebVTT file is saved, a track in MP4 only named.
TEST(StreamTracksTest, StreamsNameTheirSubtitleTracks) {
    const std::string media = "#EXTM3U\n#EXTINF:2,\na.ts\n#EXT-X-ENDLIST\n";
    const HlsPlaylist hls = HlsPlaylist::read(
        "#EXTM3U\n#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"s\",NAME=\"Deutsch\",LANGUAGE=\"de\","
        "URI=\"subs/de.m3u8\"\n#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"t\",NAME=\"Again\","
        "URI=\"subs/de.m3u8\"\n#EXT-X-MEDIA:TYPE=CLOSED-CAPTIONS,GROUP-ID=\"c\",NAME=\"CC\","
        "INSTREAM-ID=\"CC1\"\n#EXT-X-STREAM-INF:BANDWIDTH=1000,SUBTITLES=\"s\"\nv.m3u8\n",
        "https://h/master.m3u8");
    const TrackPlan plan = TrackPlan::hls(hls, {0, std::nullopt},
                                          HlsPlaylist::read(media, "https://h/v.m3u8"), nullptr);
    ASSERT_EQ(plan.subtitles.size(), 1u);
    EXPECT_EQ(plan.subtitles[0].url, "https://h/subs/de.m3u8");
    EXPECT_EQ(plan.subtitles[0].carrier, SubtitleTrack::Carrier::HlsPlaylist);
    EXPECT_EQ(plan.subtitles[0].language + "/" + plan.subtitles[0].label, "de/Deutsch");

    const DashManifest dash = DashManifest::read(
        R"(<MPD type="static" mediaPresentationDuration="PT2S"><Period>
<AdaptationSet contentType="video" mimeType="video/mp4"><Representation id="v" bandwidth="1">
<BaseURL>v.mp4</BaseURL><SegmentBase/></Representation></AdaptationSet>
<AdaptationSet contentType="text" mimeType="text/vtt" lang="en"><Representation id="en"
 bandwidth="1"><BaseURL>en.vtt</BaseURL></Representation></AdaptationSet>
<AdaptationSet contentType="text" mimeType="application/mp4" lang="fr"><Representation id="fr"
 codecs="wvtt" bandwidth="1"><BaseURL>fr.mp4</BaseURL></Representation></AdaptationSet>
</Period></MPD>)",
        "https://h/clip.mpd");
    const TrackPlan text = TrackPlan::dash(dash, 1, {});
    ASSERT_EQ(text.subtitles.size(), 2u);
    EXPECT_EQ(text.subtitles[0].url, "https://h/en.vtt");
    EXPECT_EQ(text.subtitles[0].form, SubtitleTrack::Form::WebVtt);
    EXPECT_EQ(text.subtitles[1].form, SubtitleTrack::Form::Other);
}

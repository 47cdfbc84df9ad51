#include "StreamManifest.h"
#include "DashManifest.h"
#include "HlsPlaylist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = StreamManifest::Kind;
using Media = DashManifest::Media;

const std::string kMaster = "http://cdn.example/video/master.m3u8";
const std::string kMpd = "https://cdn.example/dash/movie.mpd";

std::string mediaPlaylist(int segments, std::string_view head = {}, std::string_view tail = {}) {
    std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:10\n" + std::string(head);
    for (int i = 0; i < segments; ++i)
        text += "#EXTINF:9.5,\nseg" + std::to_string(i) + ".ts\n";
    return text + std::string(tail);
}

std::string mpd(std::string_view attributes, std::string_view periods) {
    return R"(<?xml version="1.0"?><MPD xmlns="urn:mpeg:dash:schema:mpd:2011" )" +
           std::string(attributes) + ">" + std::string(periods) + "</MPD>";
}

} // namespace

// The bytes decide, then the type; the extension only when neither says.
TEST(StreamManifestTest, RecognisesByBodyThenTypeThenExtension) {
    EXPECT_EQ(StreamManifest::recognise("text/html", "\xEF\xBB\xBF \n#EXTM3U\n", ""), Kind::Hls);
    EXPECT_EQ(
        StreamManifest::recognise("", "<?xml version='1.0'?><!-- x --><MPD type=\"static\">", ""),
        Kind::Dash);
    EXPECT_EQ(StreamManifest::recognise("", "<dash:MPD xmlns:dash='u'>", ""), Kind::Dash);
    EXPECT_EQ(StreamManifest::recognise("Application/X-MpegURL; charset=utf-8", "", ""), Kind::Hls);
    EXPECT_EQ(StreamManifest::recognise("audio/mpegurl", "", ""), Kind::Hls);
    EXPECT_EQ(StreamManifest::recognise("application/dash+xml", "", ""), Kind::Dash);
    EXPECT_EQ(StreamManifest::recognise("application/octet-stream", "", "http://h/a.M3U8?x=.mp4"),
              Kind::Hls);
    EXPECT_EQ(StreamManifest::recognise("", "", "http://h/dir.m3u8/movie.mpd#t"), Kind::Dash);
    // What the body or the type says outweighs the name.
    EXPECT_EQ(StreamManifest::recognise("text/html", "", "http://h/a.m3u8"), Kind::None);
    EXPECT_EQ(StreamManifest::recognise("", "<html><body>", "http://h/a.mpd"), Kind::None);
    EXPECT_EQ(StreamManifest::recognise("video/mp4",
                                        std::string_view("\0\0\0\x18"
                                                         "ftyp",
                                                         8),
                                        "http://h/a.mp4"),
              Kind::None);
}

// A master's variants with their audio renditions, and the quality's pick.
TEST(StreamManifestTest, MasterPlaylistVariantsAudioAndChoice) {
    const HlsPlaylist master = HlsPlaylist::read(
        "#EXTM3U\r\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"English, main\",LANGUAGE=\"en\","
        "URI=\"audio/en.m3u8\"\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"Deutsch\",DEFAULT=YES,URI=\"audio/"
        "de.m3u8\"\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"muxed\",NAME=\"In stream\"\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=2000000,AVERAGE-BANDWIDTH=1800000,RESOLUTION=1280x720,"
        "CODECS=\"avc1.64001f,mp4a.40.2\",AUDIO=\"aac\"\n"
        "720/index.m3u8\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=800000,RESOLUTION=640x360,AUDIO=\"muxed\"\n"
        "\n"
        "/360/index.m3u8?token=a,b\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=5000000,RESOLUTION=1920x1080\n"
        "https://other.example/1080.m3u8\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=64000,CODECS=\"mp4a.40.5\"\n"
        "audio-only.m3u8\n",
        kMaster);
    EXPECT_EQ(master.refusal, StreamRefusal::None);
    ASSERT_TRUE(master.master);
    ASSERT_EQ(master.variants.size(), 4u);
    const HlsPlaylist::Variant& hd = master.variants[0];
    EXPECT_EQ(hd.url, "http://cdn.example/video/720/index.m3u8");
    EXPECT_EQ(hd.bandwidth, 2000000);
    EXPECT_EQ(hd.averageBandwidth, 1800000);
    EXPECT_EQ(hd.width, 1280);
    EXPECT_EQ(hd.height, 720);
    EXPECT_EQ(hd.codecs, "avc1.64001f,mp4a.40.2");
    EXPECT_EQ(hd.audioUrl, "http://cdn.example/video/audio/de.m3u8"); // the DEFAULT=YES one
    EXPECT_FALSE(hd.audio);
    EXPECT_EQ(master.variants[1].url, "http://cdn.example/360/index.m3u8?token=a,b");
    EXPECT_EQ(master.variants[1].audioUrl, ""); // its group names no playlist
    EXPECT_TRUE(master.variants[3].audio);
    ASSERT_EQ(master.renditions.size(), 3u);
    EXPECT_EQ(master.renditions[0].name, "English, main");

    EXPECT_EQ(master.choose(1), 2u);
    EXPECT_EQ(master.choose(2), 0u);
    EXPECT_EQ(master.choose(3), 1u);
    EXPECT_EQ(master.choose(4), 1u);
    // Sound only is taken when there is nothing else.
    const HlsPlaylist sound = HlsPlaylist::read(
        "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=96000,CODECS=\"mp4a.40.2\"\nlo.m3u8\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=192000,CODECS=\"ec-3\"\nhi.m3u8\n",
        kMaster);
    EXPECT_EQ(sound.choose(1), 1u);
    EXPECT_EQ(sound.choose(4), 0u);
}

// A media playlist: its length, its end, its keys and maps.
TEST(StreamManifestTest, MediaPlaylistDurationEndKeysAndMaps) {
    const HlsPlaylist vod = HlsPlaylist::read(
        mediaPlaylist(3,
                      "#EXT-X-PLAYLIST-TYPE:VOD\n#EXT-X-MAP:URI=\"init.mp4\"\n"
                      "#EXT-X-KEY:METHOD=AES-128,URI=\"https://keys.example/k?id=1,2\",IV=0x1\n",
                      "#EXT-X-KEY:METHOD=NONE\n#EXTINF:0.25,\nlast.ts\n"),
        "http://cdn.example/video/720/index.m3u8");
    EXPECT_EQ(vod.refusal, StreamRefusal::None);
    EXPECT_FALSE(vod.master);
    EXPECT_TRUE(vod.ended);
    EXPECT_EQ(vod.segments.size(), 4u);
    EXPECT_DOUBLE_EQ(vod.durationSeconds, 28.75);
    ASSERT_EQ(vod.keys.size(), 2u);
    EXPECT_EQ(vod.keys[0].method, "AES-128");
    EXPECT_EQ(vod.keys[0].url, "https://keys.example/k?id=1,2");
    EXPECT_EQ(vod.keys[1].method, "NONE");
    ASSERT_EQ(vod.maps.size(), 1u);
    EXPECT_EQ(vod.maps[0].part.url, "http://cdn.example/video/720/init.mp4");

    const HlsPlaylist ended = HlsPlaylist::read(mediaPlaylist(2, {}, "#EXT-X-ENDLIST\n"), kMaster);
    EXPECT_EQ(ended.refusal, StreamRefusal::None);
    EXPECT_DOUBLE_EQ(ended.durationSeconds, 19);
}

// What cannot be saved says why: DRM, live, an address that is not http(s),
// a playlist naming itself, too many segments, not a playlist at all.
TEST(StreamManifestTest, PlaylistRefusals) {
    const auto refusal = [](const std::string& text) {
        return HlsPlaylist::read(text, kMaster).refusal;
    };
    const std::string end = "#EXT-X-ENDLIST\n";
    EXPECT_EQ(refusal(mediaPlaylist(2, "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"skd://k\"\n", end)),
              StreamRefusal::Protected);
    EXPECT_EQ(refusal(mediaPlaylist(2, "#EXT-X-KEY:METHOD=SAMPLE-AES-CTR,URI=\"k\"\n", end)),
              StreamRefusal::Protected);
    EXPECT_EQ(refusal(mediaPlaylist(2,
                                    "#EXT-X-KEY:METHOD=AES-128,URI=\"k\",KEYFORMAT="
                                    "\"com.apple.streamingkeydelivery\"\n",
                                    end)),
              StreamRefusal::Protected);
    EXPECT_EQ(refusal("#EXTM3U\n#EXT-X-SESSION-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n"),
              StreamRefusal::Protected);
    EXPECT_EQ(refusal(mediaPlaylist(2)), StreamRefusal::Live);
    EXPECT_EQ(refusal(mediaPlaylist(2, "#EXT-X-PLAYLIST-TYPE:EVENT\n")), StreamRefusal::Live);
    for (const std::string& hostile : std::vector<std::string>{
             mediaPlaylist(2, "#EXT-X-KEY:METHOD=AES-128,URI=\"file:///etc/key\"\n", end),
             mediaPlaylist(2, "#EXT-X-KEY:METHOD=AES-128,URI=\"data:text/plain;base64,AAAA\"\n",
                           end),
             mediaPlaylist(2, "#EXT-X-MAP:URI=\"file:///init.mp4\"\n", end),
             mediaPlaylist(2, {}, "#EXTINF:1,\nftp://h/x.ts\n" + end), mediaPlaylist(0, {}, end),
             "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nfile:///dev/zero\n",
             "#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",URI=\"file:///a.m3u8\"\n"
             "#EXT-X-STREAM-INF:BANDWIDTH=1,AUDIO=\"a\"\nv.m3u8\n",
             "#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",URI=\"a.m3u8\"\n",
             "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n" + std::string(70000, 'v') + "\n",
             "<html><body>#EXTM3U</body></html>", ""})
        EXPECT_EQ(refusal(hostile), StreamRefusal::Unsupported) << hostile.substr(0, 120);

    // A variant naming the master itself is never fetched; alone, nothing is left.
    const HlsPlaylist loop = HlsPlaylist::read(
        "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=9000000,RESOLUTION=1920x1080\nmaster.m3u8\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=100,RESOLUTION=320x180\nHTTP://cdn.example/video/"
        "master.m3u8#again\n#EXT-X-STREAM-INF:BANDWIDTH=1000000,RESOLUTION=640x360\nlow.m3u8\n",
        kMaster);
    EXPECT_EQ(loop.refusal, StreamRefusal::None);
    ASSERT_EQ(loop.variants.size(), 3u);
    EXPECT_FALSE(loop.variants[0].usable);
    EXPECT_FALSE(loop.variants[1].usable);
    EXPECT_EQ(loop.choose(1), 2u);
    EXPECT_EQ(loop.choose(4), 2u);
    EXPECT_EQ(refusal("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n" + kMaster + "\n"),
              StreamRefusal::Unsupported);

    // 100,000 segments: read up to the bound, then refused.
    const HlsPlaylist huge = HlsPlaylist::read(mediaPlaylist(100000, {}, end), kMaster);
    EXPECT_EQ(huge.refusal, StreamRefusal::Unsupported);
    EXPECT_EQ(huge.segments.size(), HlsPlaylist::maxEntries);
}

// A static manifest's timeline and template, its streams as ffmpeg numbers
// them, and the quality's pick.
TEST(StreamManifestTest, DashStaticTemplatesAndStreamIndices) {
    const DashManifest dash =
        DashManifest::read(mpd(R"(type="static" mediaPresentationDuration="PT1M2.5S")",
                               R"(<BaseURL>media/</BaseURL><Period id="1">
  <AdaptationSet mimeType="video/mp4" codecs="avc1.4d401f">
    <SegmentTemplate timescale="1000" media="$RepresentationID$/$Number%05d$.m4s"
                     initialization="$RepresentationID$/init.mp4">
      <SegmentTimeline><S t="0" d="4000" r="14"/><S d="2500"/></SegmentTimeline>
    </SegmentTemplate>
    <Representation id="v720" bandwidth="2000000" width="1280" height="720"/>
    <Representation id="v360" bandwidth="700000" width="640" height="360"/>
    <Representation id="v1080" bandwidth="5000000" width="1920" height="1080"
                    codecs="avc1.640028"/>
  </AdaptationSet>
  <AdaptationSet contentType="audio" lang="en">
    <Representation id="a128" mimeType="audio/mp4" bandwidth="128000">
      <SegmentTemplate timescale="48000" duration="192000" media="a/$Number$.m4s"/>
    </Representation>
    <Representation id="a64" bandwidth="64000"><BaseURL>https://audio.example/a64.mp4</BaseURL>
      <SegmentBase indexRange="0-99"><Initialization range="0-50"/></SegmentBase></Representation>
  </AdaptationSet>
  <AdaptationSet mimeType="text/vtt"><Representation id="sub" bandwidth="1">
    <BaseURL>subs.vtt</BaseURL></Representation></AdaptationSet>
</Period>)"),
                           kMpd);
    EXPECT_EQ(dash.refusal, StreamRefusal::None);
    EXPECT_FALSE(dash.dynamic);
    EXPECT_DOUBLE_EQ(dash.durationSeconds, 62.5);
    EXPECT_EQ(dash.periods, 1u);
    ASSERT_EQ(dash.representations.size(), 6u);
    const DashManifest::Representation& v1080 = dash.representations[2];
    EXPECT_EQ(v1080.id, "v1080");
    EXPECT_EQ(v1080.media, Media::Video);
    EXPECT_EQ(v1080.streamIndex, 2u);
    EXPECT_EQ(v1080.codecs, "avc1.640028");
    EXPECT_EQ(v1080.mimeType, "video/mp4");
    EXPECT_EQ(v1080.addressing, DashManifest::Addressing::Template);
    EXPECT_EQ(v1080.segments, 16u);
    EXPECT_EQ(dash.representations[0].codecs, "avc1.4d401f");
    const DashManifest::Representation& a128 = dash.representations[3];
    EXPECT_EQ(a128.media, Media::Audio);
    EXPECT_EQ(a128.streamIndex, 0u);
    EXPECT_EQ(a128.segments, 16u); // 62.5 s in 4 s pieces
    EXPECT_EQ(dash.representations[4].streamIndex, 1u);
    EXPECT_EQ(dash.representations[4].addressing, DashManifest::Addressing::Base);
    EXPECT_EQ(dash.representations[5].media, Media::Text);
    EXPECT_EQ(dash.representations[5].addressing, DashManifest::Addressing::BaseUrlOnly);
    EXPECT_EQ(dash.representations[5].segments, 1u);

    EXPECT_EQ(dash.chooseVideo(1), 2u);
    EXPECT_EQ(dash.chooseVideo(2), 0u);
    EXPECT_EQ(dash.chooseVideo(4), 1u);
    EXPECT_EQ(dash.chooseAudio(1), 3u);
    EXPECT_EQ(dash.chooseAudio(4), 4u);
}

// Live, DRM, several periods, hostile addresses and documents are refused.
TEST(StreamManifestTest, DashRefusals) {
    const std::string video =
        R"(<AdaptationSet mimeType="video/mp4"><Representation id="v" bandwidth="1">
           <BaseURL>v.mp4</BaseURL></Representation></AdaptationSet>)";
    const auto read = [](const std::string& text) { return DashManifest::read(text, kMpd); };
    EXPECT_EQ(read(mpd(R"(type="static")", "<Period>" + video + "</Period>")).refusal,
              StreamRefusal::None);

    const DashManifest live = read(mpd(R"(type="dynamic")", "<Period>" + video + "</Period>"));
    EXPECT_TRUE(live.dynamic);
    EXPECT_EQ(live.refusal, StreamRefusal::Live);
    const DashManifest drm =
        read(mpd({}, R"(<Period><AdaptationSet mimeType="video/mp4"><ContentProtection
           schemeIdUri="urn:uuid:edef8ba9-79d6-4ace-a3c8-27dcd51d21ed"/>
           <Representation id="v"><BaseURL>v.mp4</BaseURL></Representation></AdaptationSet></Period>)"));
    EXPECT_TRUE(drm.contentProtection);
    EXPECT_EQ(drm.refusal, StreamRefusal::Protected);
    const DashManifest periods =
        read(mpd({}, "<Period>" + video + "</Period><Period>" + video + "</Period>"));
    EXPECT_EQ(periods.periods, 2u);
    EXPECT_EQ(periods.refusal, StreamRefusal::Unsupported);

    const std::string hugeTimeline =
        R"(<Period><AdaptationSet mimeType="video/mp4"><SegmentTemplate media="$Number$.m4s">
           <SegmentTimeline><S d="1" r="99999"/></SegmentTimeline></SegmentTemplate>
           <Representation id="v"/></AdaptationSet></Period>)";
    for (const std::string& hostile : std::vector<std::string>{
             mpd({}, "<BaseURL>file:///etc/</BaseURL><Period>" + video + "</Period>"),
             mpd({}, R"(<Period><AdaptationSet mimeType="video/mp4"><SegmentList>
                 <SegmentURL media="data:video/mp4;base64,AAAA"/></SegmentList>
                 <Representation id="v"/></AdaptationSet></Period>)"),
             mpd({}, R"(<Period><AdaptationSet mimeType="video/mp4">
                 <Representation id="v"/></AdaptationSet></Period>)"),
             mpd({}, hugeTimeline),
             mpd(R"(mediaPresentationDuration="PT100000S")",
                 R"(<Period><AdaptationSet mimeType="video/mp4"><SegmentTemplate duration="1"
                 media="$Number$.m4s"/><Representation id="v"/></AdaptationSet></Period>)"),
             "<!DOCTYPE MPD [<!ENTITY a \"file:///etc/passwd\">]>" +
                 mpd({}, "<BaseURL>&a;</BaseURL><Period>" + video + "</Period>"),
             mpd({}, "<Period>" + video), "<html><body>not a manifest</body></html>", "#EXTM3U\n",
             ""})
        EXPECT_EQ(read(hostile).refusal, StreamRefusal::Unsupported) << hostile.substr(0, 160);
}

#include "DashManifest.h"
#include "HlsPlaylist.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kMedia = "https://cdn.example/v/720/index.m3u8";

std::string mpd(const std::string& inside) {
    return R"(<MPD type="static" mediaPresentationDuration="PT10S"><BaseURL>https://cdn.example/d/</BaseURL>)" +
           inside + "</MPD>";
}

} // namespace

// Each segment with its range, key, IV, sequence number and init section.
TEST(StreamSegmentsTest, MediaPlaylistKeepsItsSegmentsWithWhatIsInForce) {
    const HlsPlaylist hls = HlsPlaylist::read(
        "#EXTM3U\n#EXT-X-MEDIA-SEQUENCE:41\n#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"700@0\"\n"
        "#EXTINF:4,\n#EXT-X-BYTERANGE:1000@700\nall.mp4\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"/"
        "k1\",IV=0x0102\n#EXTINF:4,\n#EXT-X-BYTERANGE:500\nall.mp4\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"k2\"\n#EXT-X-MAP:URI=\"init2.mp4\"\n#EXTINF:2,\nlast.m4s?"
        "t=1\n"
        " #EXT-X-ENDLIST \n",
        kMedia);
    EXPECT_EQ(hls.refusal, StreamRefusal::None);
    EXPECT_TRUE(hls.ended);
    ASSERT_EQ(hls.segments.size(), 3u);
    ASSERT_EQ(hls.maps.size(), 2u);
    EXPECT_EQ(hls.maps[0].part,
              (SegmentRef{"https://cdn.example/v/720/init.mp4", ByteRange{0, 700}}));
    EXPECT_FALSE(hls.maps[0].key);
    ASSERT_TRUE(hls.maps[1].key);
    EXPECT_EQ(hls.maps[1].key->url, "https://cdn.example/v/720/k2");

    const auto& [first, second, third] =
        std::tie(hls.segments[0], hls.segments[1], hls.segments[2]);
    EXPECT_EQ(first.part, (SegmentRef{"https://cdn.example/v/720/all.mp4", ByteRange{700, 1000}}));
    EXPECT_EQ(first.sequence, 41);
    EXPECT_FALSE(first.key);
    EXPECT_EQ(first.map, 0u);
    // The range without an offset goes on after the one before.
    EXPECT_EQ(second.part.range, (ByteRange{1700, 500}));
    ASSERT_TRUE(second.key && second.key->iv);
    EXPECT_EQ(second.key->url, "https://cdn.example/k1");
    EXPECT_EQ((*second.key->iv)[14], 0x01);
    EXPECT_EQ((*second.key->iv)[15], 0x02);
    EXPECT_EQ(third.part.url, "https://cdn.example/v/720/last.m4s?t=1");
    EXPECT_FALSE(third.part.range);
    ASSERT_TRUE(third.key);
    EXPECT_FALSE(third.key->iv); // its sequence number is its IV
    EXPECT_EQ(third.sequence, 43);
    EXPECT_EQ(third.map, 1u);
    EXPECT_DOUBLE_EQ(hls.durationSeconds, 10);

    // A range with nothing to go on from, an IV that is no number, a gap.
    for (const std::string unreadable :
         {"#EXTINF:1,\n#EXT-X-BYTERANGE:10\na.ts\n",
          "#EXTINF:1,\n#EXT-X-BYTERANGE:9@0\na.ts\n"
          "#EXT-X-BYTERANGE:9\nb.ts\n",
          "#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0xZZ\n#EXTINF:1,\na.ts\n",
          "#EXTINF:1,\n#EXT-X-GAP\na.ts\n"})
        EXPECT_EQ(HlsPlaylist::read("#EXTM3U\n" + unreadable + "#EXT-X-ENDLIST\n", kMedia).refusal,
                  StreamRefusal::Unsupported)
            << unreadable;
}

// Templates (widths, $Time$, a timeline to the period's end), lists and
// single files, each address read against the BaseURLs around it.
TEST(StreamSegmentsTest, RepresentationsKeepTheirSegmentLists) {
    const DashManifest dash = DashManifest::read(mpd(R"(<Period><BaseURL>p/</BaseURL>
  <AdaptationSet mimeType="video/mp4"><BaseURL>/set/</BaseURL>
    <SegmentTemplate timescale="10" startNumber="7" initialization="$RepresentationID$/i.mp4"
        media="$RepresentationID$/$Number%04d$-$Time$-$Bandwidth$$$.m4s">
      <SegmentTimeline><S t="5" d="40" r="1"/><S d="10" r="-1"/></SegmentTimeline></SegmentTemplate>
    <Representation id="v1" bandwidth="900"><BaseURL>r/</BaseURL></Representation>
  </AdaptationSet>
  <AdaptationSet mimeType="audio/mp4" lang="en">
    <Representation id="a" bandwidth="64"><SegmentList timescale="2" duration="10">
      <Initialization sourceURL="a/init.mp4" range="0-99"/>
      <SegmentURL media="a/1.m4s"/><SegmentURL mediaRange="100-199"/></SegmentList></Representation>
    <Representation id="b" bandwidth="32"><BaseURL>b.mp4</BaseURL>
      <SegmentBase indexRange="800-899"><Initialization range="0-799"/></SegmentBase></Representation>
  </AdaptationSet></Period>)"),
                                                 "https://cdn.example/m.mpd");
    ASSERT_EQ(dash.refusal, StreamRefusal::None);
    ASSERT_EQ(dash.representations.size(), 3u);
    const auto video = dash.representations[0].segmentList.segments();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->init, (SegmentRef{"https://cdn.example/set/r/v1/i.mp4", std::nullopt}));
    // Two of 4 s from 0.5 s, then 1 s pieces to the period's end at 10 s.
    ASSERT_EQ(video->media.size(), 4u);
    EXPECT_EQ(dash.representations[0].segments, 4u);
    EXPECT_EQ(video->media[0].part.url, "https://cdn.example/set/r/v1/0007-5-900$.m4s");
    EXPECT_EQ(video->media[2].part.url, "https://cdn.example/set/r/v1/0009-85-900$.m4s");
    EXPECT_EQ(video->media[3].part.url, "https://cdn.example/set/r/v1/0010-95-900$.m4s");
    EXPECT_DOUBLE_EQ(video->media[1].seconds, 4);
    EXPECT_DOUBLE_EQ(video->media[3].seconds, 1);

    EXPECT_EQ(dash.representations[1].language, "en");
    const auto list = dash.representations[1].segmentList.segments();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->init, (SegmentRef{"https://cdn.example/d/p/a/init.mp4", ByteRange{0, 100}}));
    ASSERT_EQ(list->media.size(), 2u);
    EXPECT_EQ(list->media[0].part, (SegmentRef{"https://cdn.example/d/p/a/1.m4s", std::nullopt}));
    EXPECT_EQ(list->media[1].part, (SegmentRef{"https://cdn.example/d/p/", ByteRange{100, 100}}));
    EXPECT_DOUBLE_EQ(list->media[1].seconds, 5);

    const DashSegmentList& single = dash.representations[2].segmentList;
    EXPECT_EQ(single.indexRange, (ByteRange{800, 100}));
    EXPECT_EQ(single.initRange, (ByteRange{0, 800}));
    const auto file = single.segments();
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->init); // in the one file, fetched whole
    ASSERT_EQ(file->media.size(), 1u);
    EXPECT_EQ(file->media[0].part.url, "https://cdn.example/d/p/b.mp4");

    // An identifier that makes another scheme, one we do not know, an
    // unreadable range.
    for (
        const std::string hostile :
        {R"(<Representation id="file:///etc/passwd" bandwidth="1"><SegmentTemplate duration="1"
             media="$RepresentationID$"/></Representation>)",
         R"(<Representation id="v"><SegmentTemplate duration="1" media="$Weekday$.m4s"/></Representation>)",
         R"(<Representation id="v"><BaseURL>v.mp4</BaseURL><SegmentBase indexRange="9-1"/></Representation>)"})
        EXPECT_EQ(DashManifest::read(mpd("<Period><AdaptationSet mimeType=\"video/mp4\">" +
                                         hostile + "</AdaptationSet></Period>"),
                                     "https://cdn.example/m.mpd")
                      .refusal,
                  StreamRefusal::Unsupported)
            << hostile;
}

#include "page/PageSources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> urls(const PageSources& found) {
    std::vector<std::string> out;
    for (const PageSource& s : found.sources)
        out.push_back(s.url);
    return out;
}

// Elements first, then Open Graph, then JSON-LD; every address read against
// <base href> (itself read against the page), http(s) only, each once.
TEST(PageSourcesTest, EveryFormInOrderReadAgainstThePageAndItsBase) {
    const std::string page = R"html(<!DOCTYPE html><html><head>
<base href="/media/">
<meta property="og:title" content="Open &amp; Graph">
<meta property="og:video" content="https://cdn.example/og.mp4">
<meta property="og:video:type" content="video/mp4"><meta property="og:video:height" content="720">
<meta property="og:video:url" content="https://cdn.example/og.mp4">
<meta name="twitter:player:stream" content="//cdn.example/tw.webm">
<meta property="og:audio" content="javascript:alert(1)">
<title>Fallback</title>
<script type="application/ld+json">{"@context":"https://schema.org","@graph":[
 {"@type":"WebPage","name":"Page"},
 {"@type":["VideoObject","Thing"],"name":"Ld Name","contentUrl":["ld1.mp4","ftp://x/ld2.mp4"],
  "height":"1080","author":{"@type":"Person","name":"Someone"}}]}</script>
</head><body>
<video width="640" src="plain.mp4"><source src="small.mp4" type="video/mp4" size="360">
<source src="data:video/mp4;base64,AAAA"><source src="file:///etc/passwd">
<source src="big.mp4" type="video/mp4" res="720"></video>
<audio><source src="../song.m4a" type="audio/mp4"></audio>
</body></html>)html";
    const PageSources found = PageSources::read(page, "http://site.example/watch/page?v=1");
    EXPECT_EQ(urls(found),
              (std::vector<std::string>{
                  "http://site.example/media/plain.mp4", "http://site.example/media/small.mp4",
                  "http://site.example/media/big.mp4", "http://site.example/song.m4a",
                  "https://cdn.example/og.mp4", "http://cdn.example/tw.webm",
                  "http://site.example/media/ld1.mp4"}));
    ASSERT_EQ(found.sources.size(), 7u);
    EXPECT_EQ(found.sources[0].lines, 360); // the video's width, 640 wide
    EXPECT_EQ(found.sources[1].label(), "360p MP4");
    EXPECT_EQ(found.sources[3].label(), "Audio M4A");
    EXPECT_EQ(found.sources[4].label(), "720p MP4");
    EXPECT_EQ(found.sources[5].label(), "WebM");
    EXPECT_EQ(found.sources[6].lines, 1080);
    EXPECT_EQ(found.sources[6].origin, PageSource::Origin::JsonLd);
    EXPECT_EQ(found.title, "Open & Graph");

    // Without og:title the JSON-LD name, without both <title>.
    EXPECT_EQ(PageSources::read(R"(<script type="application/ld+json">
        {"@type":"AudioObject","name":"Song","contentUrl":"/a.mp3"}</script><title>T</title>)",
                                "http://h/")
                  .title,
              "Song");
    EXPECT_EQ(PageSources::read("<title>Only\ttitle</title>", "http://h/").title, "Only\ttitle");
}

// A player's subtitle and caption tracks (no kind is subtitles), read
// against <base>, http(s) only, each once; chapters, metadata and tracks
// outside a player are not subtitles.
TEST(PageSourcesTest, SubtitleTracksOfThePagesPlayers) {
    const PageSources found = PageSources::read(R"html(<base href="/media/">
<track kind="subtitles" src="/outside.vtt">
<video src="v.mp4"><track kind="captions" srclang="en" label="English CC" src="en.vtt">
<track src="de.srt" srclang="de"><track kind="chapters" src="c.vtt">
<track kind="subtitles" src="javascript:alert(1)"><track src="en.vtt" srclang="en">
<track kind="SUBTITLES" src="fr.ttml" srclang="fr"></video>)html",
                                                "http://site.example/watch");
    std::vector<std::string> said;
    for (const SubtitleTrack& t : found.subtitles)
        said.push_back(std::string(t.kindName()) + " " + t.language + " " + t.label + " " + t.url +
                       " " + std::string(t.extension()));
    EXPECT_EQ(said, (std::vector<std::string>{
                        "captions en English CC http://site.example/media/en.vtt .vtt",
                        "subtitles de  http://site.example/media/de.srt .srt",
                        "subtitles fr  http://site.example/media/fr.ttml "}));
}

// A page made to hurt costs no crash and keeps its bounds: NUL bytes, broken
// markup, a JSON-LD block over 1 MiB (skipped), nesting beyond any reader's
// depth, and more sources than are kept.
TEST(PageSourcesTest, HostilePagesKeepTheirBounds) {
    std::string page("<video><source src=\"a\0b.mp4\"></video><p><<<<a href='", 42);
    page +=
        "<script type=application/ld+json>{\"@type\":\"VideoObject\",\"contentUrl\":\"/big.mp4\","
        "\"pad\":\"" +
        std::string(1 << 20, 'x') + "\"}</script>";
    page += "<script type=application/ld+json>" + std::string(100000, '[') + "</script>";
    page += R"(<script type="application/ld+json">{"@type":"VideoObject","contentUrl":"/ok.mp4")"
            "}</script>";
    for (int i = 0; i < 12000; ++i)
        page += "<video src=\"/v" + std::to_string(i) + ".mp4\"></video>";
    const PageSources found = PageSources::read(page, "http://h/");
    ASSERT_FALSE(found.sources.empty());
    EXPECT_EQ(found.sources.size(), PageSources::maxSources);
    for (const PageSource& s : found.sources)
        EXPECT_NE(s.url, "http://h/big.mp4");
}

// Quality picks among sources: 4 the smallest, 1 the largest, 2 the nearest
// at or under 720 lines, 3 at or under 480; bandwidth when no size is
// known; the page's first when nothing is; videos before sounds.
TEST(PageSourcesTest, QualityChoosesAmongSources) {
    const auto source = [](long long lines, long long bandwidth = 0, bool audio = false) {
        PageSource s;
        s.lines = lines;
        s.bandwidth = bandwidth;
        s.audio = audio;
        return s;
    };
    const std::vector<PageSource> sized = {source(0, 0, true), source(720), source(1080),
                                           source(360),        source(0),   source(480)};
    EXPECT_EQ(PageSources::choose(sized, 4), 3u);
    EXPECT_EQ(PageSources::choose(sized, 1), 2u);
    EXPECT_EQ(PageSources::choose(sized, 2), 1u);
    EXPECT_EQ(PageSources::choose(sized, 3), 5u);
    // Nothing at or under the ceiling: the smallest over it.
    EXPECT_EQ(PageSources::choose({source(1080), source(2160)}, 3), 0u);
    const std::vector<PageSource> rated = {source(0, 800000), source(0, 3000000),
                                           source(0, 200000)};
    EXPECT_EQ(PageSources::choose(rated, 4), 2u);
    EXPECT_EQ(PageSources::choose(rated, 2), 1u);
    EXPECT_EQ(PageSources::choose({source(0, 0, true), source(0), source(0)}, 1), 1u);
    EXPECT_EQ(PageSources::choose({source(0, 0, true), source(0, 0, true)}, 4), 0u);
}

} // namespace

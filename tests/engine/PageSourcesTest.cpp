#include "page/PageSources.h"

#include <gtest/gtest.h>

#include <algorithm>

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
// markup, a JSON-LD block larger than any bound of its own (read, as it
// streams), nesting beyond the reader's depth (refused, and said), and more
// sources than are kept.
TEST(PageSourcesTest, HostilePagesKeepTheirBounds) {
    std::string page("<video><source src=\"a\0b.mp4\"></video><p><<<<a href='", 42);
    page += "<script type=application/ld+json>{\"@type\":\"VideoObject\",\"pad\":\"" +
            std::string(3 << 20, 'x') + "\",\"contentUrl\":\"/big.mp4\"}</script>";
    page += R"(<script type="application/ld+json">{"@type":"VideoObject","contentUrl":"/ok.mp4")"
            "}</script>";
    for (int i = 0; i < 12000; ++i)
        page += "<video src=\"/v" + std::to_string(i) + ".mp4\"></video>";
    PageSources found = PageSources::read(page, "http://h/");
    ASSERT_FALSE(found.sources.empty());
    EXPECT_EQ(found.sources.size(), PageSources::maxSources);
    EXPECT_FALSE(found.refused);
    const std::vector<std::string> all = urls(found);
    EXPECT_EQ(std::count(all.begin(), all.end(), "http://h/big.mp4"), 1);

    found = PageSources::read("<script type=application/ld+json>" + std::string(100000, '[') +
                                  "</script><video src=/v.mp4></video>",
                              "http://h/");
    EXPECT_TRUE(found.refused);
    EXPECT_EQ(urls(found), std::vector<std::string>{"http://h/v.mp4"});
}

// Players that fill their address in from script leave it in data-
// attributes, src empty, missing or a placeholder; settings in such an
// attribute are no address. An address given twice keeps the best of what
// each entry says of it.
TEST(PageSourcesTest, LazySourcesAndAddressesGivenTwice) {
    const PageSources found = PageSources::read(R"html(
<video src="" data-src="/lazy.mp4" data-video="{&quot;src&quot;:&quot;/x.mp4&quot;}"></video>
<video data-video-src="/v.webm" data-hls="/hls/master" data-url="not an address"></video>
<video src="blob:http://h/1234"><source data-mp4="/a.mp4" label="480p"><source data-src="/small">
</video>
<audio><source data-source="/song.m4a"></audio>
<video src="/lazy.mp4" data-src="/never.mp4" height="720"></video>
<video><source src="/small"><source src="/small" type="video/mp4" label="240p"></video>
)html",
                                                "http://h/page");
    EXPECT_EQ(urls(found), (std::vector<std::string>{"http://h/lazy.mp4", "http://h/v.webm",
                                                     "http://h/hls/master", "http://h/a.mp4",
                                                     "http://h/small", "http://h/song.m4a"}));
    ASSERT_EQ(found.sources.size(), 6u);
    EXPECT_EQ(found.sources[0].lines, 720);
    EXPECT_TRUE(found.sources[2].stream());
    EXPECT_EQ(found.sources[3].label(), "480p MP4");
    EXPECT_EQ(found.sources[4].label(), "240p MP4");
    EXPECT_EQ(found.sources[5].label(), "Audio M4A");
    EXPECT_EQ(PageSources::choose(found.sources, 4), 4u);
}

// JSON-LD read as it streams is JSON still: escapes decoded, a number in
// any of its forms, malformed text ending what is read of it (what came
// before stays), a block left open at the page's end read to there.
TEST(PageSourcesTest, JsonLdReadsAsJson) {
    const PageSources found = PageSources::read(
        R"html(<script type="application/ld+json">[{"@type":"VideoObject",
  "name":"Caf\u00e9 \ud83c\udfa5 \"cut\"\/\ud800x","width":1.28e3,"bitrate":-0,
  "contentUrl":"\/ld\u002Fa.mp4"}, {"@type":"VideoObject","contentUrl":"/b.mp4"} trailing</script>
<script type="application/ld+json">{"@type":"VideoObject","contentUrl":"/c.mp4"},
  {"@type":"VideoObject","contentUrl":"/d.mp4"} {"@type":"VideoObject","contentUrl":"/e.mp4"}
</script><script type="application/ld+json">{"@type":"VideoObject","contentUrl":"/f.mp4",
  "height":01}</script><script type="application/ld+json">
{"@type":"AudioObject","contentUrl":"/g.mp3"})html",
        "http://h/");
    EXPECT_EQ(urls(found), (std::vector<std::string>{"http://h/ld/a.mp4", "http://h/b.mp4",
                                                     "http://h/c.mp4", "http://h/g.mp3"}));
    EXPECT_EQ(found.title, "Caf\u00E9 \U0001F3A5 \"cut\"/\uFFFDx");
    ASSERT_FALSE(found.sources.empty());
    EXPECT_EQ(found.sources[0].lines, 720);
    EXPECT_FALSE(found.refused);
}

// The title loses the site's name the page gives (og:site_name,
// application-name) after " - ", " | ", an en or em dash; nothing else.
TEST(PageSourcesTest, TitlesLoseTheSiteName) {
    const auto title = [](const std::string& head) {
        return PageSources::read("<head>" + head + "</head>", "http://h/").title;
    };
    const std::string site = R"(<meta property="og:site_name" content=" example ">)";
    EXPECT_EQ(title(site + "<title>Clip - Example</title>"), "Clip");
    EXPECT_EQ(title(site + R"(<meta property="og:title" content="A | B | EXAMPLE">)"), "A | B");
    EXPECT_EQ(title(R"(<meta name="application-name" content="Tube">)"
                    "<title>Clip \u2013 Tube</title>"),
              "Clip");
    EXPECT_EQ(title(site + "<title>Clip \u2014 Example  </title>"), "Clip");
    for (const std::string& kept :
         {site + "<title>Clip - Other</title>", site + "<title>Clip-Example</title>",
          site + "<title>- Example</title>", site + "<title>Example</title>",
          site + "<title>Clip - Examples</title>", std::string("<title>Clip - Example</title>")})
        EXPECT_EQ(title(kept), kept.substr(kept.find("<title>") + 7,
                                           kept.find("</title>") - kept.find("<title>") - 7))
            << kept;
    // A JSON-LD name is the video's own.
    EXPECT_EQ(title(site + R"(<script type="application/ld+json">{"@type":"VideoObject",
        "name":"Clip - Example","contentUrl":"/a.mp4"}</script>)"),
              "Clip - Example");
}

// An MP3's cover: Open Graph's image, else JSON-LD's (a media object's own
// thumbnail or image before any other, as an address, a list or an
// ImageObject), else a thumbnail link, else the poster; web addresses only.
TEST(PageSourcesTest, ThePictureComesInItsOrder) {
    const auto picture = [](const std::string& page) {
        return PageSources::read(page, "http://h/dir/page").picture;
    };
    const std::string poster = R"(<video poster="/poster.jpg" src="/v.mp4"></video>)";
    const std::string link = R"(<link rel="icon image_src" href="/link.jpg">)";
    const auto ld = [](const std::string& json) {
        return R"(<script type="application/ld+json">)" + json + "</script>";
    };
    const std::string media = ld(R"({"@graph":[{"@type":"WebPage","image":"/page.jpg"},
        {"@type":"VideoObject","contentUrl":"/v.mp4",
         "thumbnail":{"@type":"ImageObject","contentUrl":"/own.jpg","url":"/no.jpg"}}]})");
    EXPECT_EQ(picture(R"(<meta property="OG:Image" content="javascript:x">)"
                      R"(<meta name="og:image" content="og.jpg">)" +
                      media + link + poster),
              "http://h/dir/og.jpg");
    EXPECT_EQ(picture(link + poster + media), "http://h/own.jpg");
    EXPECT_EQ(picture(ld(R"({"@type":"WebPage","image":["/first.jpg","/second.jpg"]})") + link),
              "http://h/first.jpg");
    EXPECT_EQ(picture(ld(R"({"image":{"url":"/url.jpg"},"thumbnailUrl":"/thumb.jpg"})")),
              "http://h/thumb.jpg");
    EXPECT_EQ(picture(ld(R"({"image":{"url":"/url.jpg"}})")), "http://h/url.jpg");
    EXPECT_EQ(picture(ld(R"({"image":{"@type":"Person","url":"/person"}})") + link + poster),
              "http://h/link.jpg");
    EXPECT_EQ(picture(R"(<meta itemprop="thumbnailUrl" content="/meta.jpg">)" + poster),
              "http://h/meta.jpg");
    EXPECT_EQ(picture(poster), "http://h/poster.jpg");
    EXPECT_EQ(picture(R"(<video data-poster="/lazy.jpg"></video>)"), "http://h/lazy.jpg");
    EXPECT_EQ(picture(R"(<video poster="file:///etc/passwd"></video>)"), "");
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

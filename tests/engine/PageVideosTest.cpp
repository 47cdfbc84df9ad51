#include "page/PageVideos.h"
#include "page/PageSources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each video as "name: address address...", its sources in the page's order.
std::vector<std::string> videosOf(const std::string& page) {
    const std::string address = "http://site.example/watch";
    const PageSources found = PageSources::read(page, address);
    std::vector<std::string> out;
    for (const PageVideos::Video& video : PageVideos::read(page, address, found.sources)) {
        std::string line = video.name + ":";
        for (const std::size_t i : video.sources)
            line += " " + found.sources[i].url.substr(std::string("http://site.example").size());
        out.push_back(line);
    }
    return out;
}

TEST(PageVideosTest, APagesSourcesSortedIntoTheVideosItPlays) {
    // Players, Open Graph and JSON-LD naming the same media are one video;
    // what only Open Graph names is the first one's; a JSON-LD name names
    // the player it describes.
    EXPECT_EQ(
        videosOf(R"(<base href="/m/"><meta property="og:video" content="/m/a.mp4">
        <meta property="og:video" content="/m/og.mp4">
        <video src="a.mp4"></video>
        <video title=" Second "><source src="b-360.mp4" size="360"><source src="b-720.mp4" size="720">
        </video><figure><audio data-src="c.m4a" src="c.m4a"></audio></figure>
        <script type="application/ld+json">{"@type":"ItemList","itemListElement":[
          {"@type":"ListItem","item":{"@type":"VideoObject","name":"First","contentUrl":"/m/a.mp4"}},
          {"@type":"ListItem","item":{"@type":"VideoObject","name":"Fourth","contentUrl":"/m/d.mp4"}}
        ]}</script>)"),
        (std::vector<std::string>{"First: /m/a.mp4 /m/og.mp4", "Second: /m/b-360.mp4 /m/b-720.mp4",
                                  ": /m/c.m4a", "Fourth: /m/d.mp4"}));
    // JSON-LD alone: each object its own video.
    EXPECT_EQ(videosOf(R"(<script type="application/ld+json">[
        {"@type":"VideoObject","name":"One","contentUrl":"/1.mp4"},
        {"@type":"VideoObject","contentUrl":"/2.mp4"}]</script>)"),
              (std::vector<std::string>{"One: /1.mp4", ": /2.mp4"}));
    // A lone JSON-LD object beside a player is that player's video told
    // another way; a player without a source plays nothing.
    EXPECT_EQ(videosOf(R"(<video src="blob:x"></video><video><source src="/v.m3u8"></video>
        <script type="application/ld+json">{"@type":"VideoObject","name":"Told",
        "contentUrl":"/v.mp4"}</script>)"),
              (std::vector<std::string>{"Told: /v.m3u8 /v.mp4"}));
    // Sources no player names (a script asked for them): one video.
    std::vector<PageSource> asked(2);
    asked[0].url = "http://h/x.mp4";
    asked[1].url = "http://h/y.mp4";
    const std::vector<PageVideos::Video> one = PageVideos::read("<p>", "http://h/", asked);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].sources, (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(PageVideos::read("<p>", "http://h/", {}).empty());

    // Titles: its name, else the page's with its number; alone, the page's.
    EXPECT_EQ(PageVideos::title({"Own", {}}, 1, 3, "Clip"), "Own");
    EXPECT_EQ(PageVideos::title({"", {}}, 1, 3, "Clip"), "Clip (2)");
    EXPECT_EQ(PageVideos::title({"", {}}, 0, 1, "Clip"), "Clip");
}

} // namespace

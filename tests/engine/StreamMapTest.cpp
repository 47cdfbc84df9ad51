#include "StreamMap.h"
#include "CurlHandle.h"
#include "FixtureServer.h"
#include "core.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

Entries entries(const StreamMap& map) {
    Entries out;
    map.forEach([&](std::string_view entry) { out.emplace_back(entry); });
    return out;
}

// The two ends of a map, as "first/last".
std::string ends(std::string_view text) {
    const StreamMap map(text);
    return map.empty() ? "<none>" : std::string(map.first()) + "/" + std::string(map.last());
}

class StreamMapTest : public ::testing::Test {
protected:
    // A fresh job that has read `page` (fetched from pageUrl), searched at the given quality.
    static core search(const std::string& page, int quality, bool* found = nullptr,
                       CURL* fetched = nullptr) {
        JobOptions options;
        options.pageUrl = "http://127.0.0.1/dir/watch?v=1";
        options.quality = quality;
        core job(options, 1, {});
        job.pageText = page;
        const bool result = job.findDetails(fetched ? fetched : CurlHandle().get());
        if (found)
            *found = result;
        return job;
    }
};

TEST(StreamMapEntries, CommasPartEntriesUnlessTheMapStartsWithOne) {
    EXPECT_EQ(entries(StreamMap("9|u9,10|u10+x")), (Entries{"9|u9", "10|u10+x"}));
    EXPECT_EQ(entries(StreamMap("9|u9,10|u10,")), (Entries{"9|u9", "10|u10", ""}));
    EXPECT_EQ(entries(StreamMap("plainurl")), Entries{"plainurl"});
    for (const char* none : {"", ",5|u5,6|u6"}) {
        EXPECT_TRUE(StreamMap(none).empty()) << none;
        EXPECT_EQ(entries(StreamMap(none)), Entries{}) << none;
    }
    EXPECT_EQ(StreamMap("a,,b,").size(), 4u);
}

// Keys order by length, then byte by byte as signed char; an entry without
// a key comes first. Of equal keys, the first end is the one met first and
// the last end the one met last, as a stable sort leaves them.
TEST(StreamMapEntries, EndsFollowKeyOrder) {
    EXPECT_EQ(ends("10|u10,9|u9,25|u25"), "9|u9/25|u25");
    EXPECT_EQ(ends("9|u9,10|u10,"), "/10|u10");
    EXPECT_EQ(ends("7|a|b,plainurl"), "plainurl/7|a|b");
    EXPECT_EQ(ends("\xC3|x,a|y"), "\xC3|x/a|y");
    EXPECT_EQ(ends("1|x,1|y,0|z,1|w"), "0|z/1|w");
    EXPECT_EQ(ends("plain,other"), "plain/other");
    EXPECT_EQ(StreamMap::address("7|a|b"), "a|b");
}

TEST_F(StreamMapTest, PercentEncodedMapReadsLikeItsDecodedForm) {
    for (const char* page : {"<p>x fmt_url_map=9%7Chttp://h/9%2C10%7Chttp://h/10+x&amp;y=1",
                             "<p>x fmt_url_map%3D9|http://h/9,10|http://h/10+x&amp;y=1"}) {
        bool found = false;
        const core job = search(page, 1, &found);
        EXPECT_TRUE(found) << page;
        EXPECT_EQ(job.streamCount, 2) << page;
        EXPECT_EQ(job.streamUrl, "http://h/10+x") << page;
    }
    // The map ends at its first "&amp;"; only the first marker counts.
    const core job = search("fmt_url_map=1|http://h/1,2|http://h/2&amp;fmt_url_map=3|x,4|y", 2);
    EXPECT_EQ(job.streamCount, 2);
    EXPECT_EQ(job.streamUrl, "http://h/2");
    EXPECT_EQ(search("fmt_url_map=5|http://h/5&x=1,9|y", 4).streamUrl, "http://h/5&x=1");
}

TEST_F(StreamMapTest, PagesWithoutEntriesOfferNothing) {
    for (const char* page : {"<html>no map here</html>", "", "fmt_url_map=,5|u5,6|u6",
                             "fmt_url_map=&amp;", "fmt_url_map="}) {
        bool found = true;
        const core job = search(page, 4, &found);
        EXPECT_FALSE(found) << page;
        EXPECT_EQ(job.streamCount, 0) << page;
        EXPECT_EQ(job.streamUrl, "") << page;
    }
}

// A NUL byte, raw or encoded, is page text: the map after it stays readable.
TEST_F(StreamMapTest, NulBytesDoNotHideTheMap) {
    for (const std::string& page : {std::string("abc\0 fmt_url_map=1|http://h/a,2|b", 33),
                                    std::string("fmt_url_map%00x fmt_url_map=1|http://h/a,2|b")}) {
        bool found = false;
        const core job = search(page, 4, &found);
        EXPECT_TRUE(found);
        EXPECT_EQ(job.streamCount, 2);
        EXPECT_EQ(job.streamUrl, "http://h/a");
    }
}

// Relative addresses are read against the page's address, after redirects;
// absolute ones are kept as written.
TEST_F(StreamMapTest, RelativeAddressesAreReadAgainstThePage) {
    const struct {
        const char* address;
        const char* url;
    } cases[] = {{"/media/x.flv", "http://127.0.0.1/media/x.flv"},
                 {"x.flv", "http://127.0.0.1/dir/x.flv"},
                 {"//other:81/x.flv", "http://other:81/x.flv"},
                 {"../x", "http://127.0.0.1/x"},
                 {"a b.flv?q=1", "http://127.0.0.1/dir/a%20b.flv?q=1"},
                 {"HTTPS://h/Odd/../x", "HTTPS://h/Odd/../x"},
                 {"ftp://h/x", "ftp://h/x"},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(search(std::string("fmt_url_map=5|") + c.address, 4).streamUrl, c.url)
            << c.address;

    FixtureServer srv;
    srv.body("/site/watch", "fmt_url_map=5|media/x.flv");
    srv.redirect("/old", "/site/watch");
    CurlHandle curl;
    std::string page;
    ASSERT_EQ(core::doCurl(curl.get(), srv.url("/old").c_str(), page), CURLE_OK);
    EXPECT_EQ(search(page, 4, nullptr, curl.get()).streamUrl, srv.url("/site/media/x.flv"));
}

} // namespace

#include "StreamMap.h"
#include "CurlHandle.h"
#include "DownloadJob.h"
#include "FixtureServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

Entries entries(std::string_view text) {
    Entries out;
    StreamMap(text).forEach([&](std::string_view entry) { out.emplace_back(entry); });
    return out;
}

// The two ends of a map, as "first/last".
std::string ends(std::string_view text) {
    const StreamMap map(text);
    return std::string(map.first()) + "/" + std::string(map.last());
}

// What a fresh job makes of `page` (fetched with `fetched`, else from its
// pageUrl): whether it found a stream, how many entries, which address.
std::string search(const std::string& page, int quality, CURL* fetched = nullptr) {
    JobOptions options;
    options.pageUrl = "http://127.0.0.1/dir/watch?v=1";
    options.quality = quality;
    DownloadJob job(options, 1, {});
    job.pageText = page;
    const bool found = job.chooseStream(fetched ? fetched : CurlHandle().get());
    return (found ? "found " : "none ") + std::to_string(job.streamCount) + " " + job.streamUrl;
}

TEST(StreamMapEntries, CommasPartEntriesUnlessTheMapStartsWithOne) {
    EXPECT_EQ(entries("9|u9,10|u10,"), (Entries{"9|u9", "10|u10", ""}));
    EXPECT_EQ(entries("plainurl"), Entries{"plainurl"});
    for (const char* none : {"", ",5|u5,6|u6"})
        EXPECT_EQ(StreamMap(none).size(), 0u) << none;
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
    EXPECT_EQ(StreamMap::address("7|a|b"), "a|b");
}

TEST(StreamMapSearch, PageIsPercentDecodedAndTheFirstMapCounts) {
    EXPECT_EQ(search("x fmt_url_map=9%7Chttp://h/9%2C10%7Chttp://h/10+x&amp;y=1", 1),
              "found 2 http://h/10+x");
    EXPECT_EQ(search("x fmt_url_map%3D9|http://h/9,10|u&amp;fmt_url_map=1|a", 4),
              "found 2 http://h/9");
    EXPECT_EQ(search("fmt_url_map=5|http://h/5&x=1,9|y", 4), "found 2 http://h/5&x=1");
    for (const char* page : {"no map here", "", "fmt_url_map=,5|u5,6|u6", "fmt_url_map=&amp;"})
        EXPECT_EQ(search(page, 4), "none 0 ") << page;
}

// A NUL byte, raw or encoded, is page text: the map after it stays readable.
TEST(StreamMapSearch, NulBytesDoNotHideTheMap) {
    EXPECT_EQ(search(std::string("abc\0 fmt_url_map=1|http://h/a,2|b", 33), 4),
              "found 2 http://h/a");
    EXPECT_EQ(search("fmt_url_map%00x fmt_url_map=1|http://h/a,2|b", 4), "found 2 http://h/a");
}

// Relative addresses are read against the page's address, after redirects;
// absolute ones are kept as written.
TEST(StreamMapSearch, RelativeAddressesAreReadAgainstThePage) {
    for (const auto& [address, url] : std::vector<std::pair<std::string, std::string>>{
             {"/media/x.flv", "http://127.0.0.1/media/x.flv"},
             {"x.flv", "http://127.0.0.1/dir/x.flv"},
             {"//other:81/x.flv", "http://other:81/x.flv"},
             {"../x", "http://127.0.0.1/x"},
             {"a b.flv?q=1", "http://127.0.0.1/dir/a%20b.flv?q=1"},
             {"HTTPS://h/Odd/../x", "HTTPS://h/Odd/../x"},
             {"ftp://h/x", "ftp://h/x"},
             {"", ""}})
        EXPECT_EQ(search("fmt_url_map=5|" + address, 4), "found 1 " + url);

    FixtureServer srv;
    srv.body("/site/watch", "fmt_url_map=5|media/x.flv");
    srv.redirect("/old", "/site/watch");
    CurlHandle curl;
    std::string page;
    ASSERT_EQ(DownloadJob::fetchPage(curl.get(), srv.url("/old").c_str(), page), CURLE_OK);
    EXPECT_EQ(search(page, 4, curl.get()), "found 1 " + srv.url("/site/media/x.flv"));
}

} // namespace

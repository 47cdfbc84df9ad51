#include "StreamChoice.h"
#include "FixtureServer.h"
#include "HttpClient.h"
#include "JobOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kPage = "http://127.0.0.1/dir/watch?v=1";

// What the choice makes of `page` read from pageAddress: whether it found a
// stream, how many entries, which address.
std::string search(std::string page, int quality, const std::string& pageAddress = kPage) {
    const StreamChoice choice = StreamChoice::inPage(page, quality, pageAddress);
    return (choice.found() ? "found " : "none ") + std::to_string(choice.count) + " " + choice.url;
}

TEST(StreamChoiceTest, PageIsPercentDecodedAndTheFirstMapCounts) {
    EXPECT_EQ(search("x fmt_url_map=9%7Chttp://h/9%2C10%7Chttp://h/10+x&amp;y=1", 1),
              "found 2 http://h/10+x");
    EXPECT_EQ(search("x fmt_url_map%3D9|http://h/9,10|u&amp;fmt_url_map=1|a", 4),
              "found 2 http://h/9");
    EXPECT_EQ(search("fmt_url_map=5|http://h/5&x=1,9|y", 4), "found 2 http://h/5&x=1");
    for (const char* page : {"no map here", "", "fmt_url_map=,5|u5,6|u6", "fmt_url_map=&amp;"})
        EXPECT_EQ(search(page, 4), "none 0 ") << page;
}

// A NUL byte, raw or encoded, is page text: the map after it stays readable.
TEST(StreamChoiceTest, NulBytesDoNotHideTheMap) {
    EXPECT_EQ(search(std::string("abc\0 fmt_url_map=1|http://h/a,2|b", 33), 4),
              "found 2 http://h/a");
    EXPECT_EQ(search("fmt_url_map%00x fmt_url_map=1|http://h/a,2|b", 4), "found 2 http://h/a");
}

// Relative addresses are read against the page's address, after redirects;
// absolute ones are kept as written.
TEST(StreamChoiceTest, RelativeAddressesAreReadAgainstThePage) {
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
    std::string page;
    const HttpResponse fetched =
        HttpClient::fetchPage(HttpRequest::page(srv.url("/old"), {}), page);
    ASSERT_TRUE(fetched.ok());
    EXPECT_EQ(search(page, 4, fetched.address), "found 1 " + srv.url("/site/media/x.flv"));
}

} // namespace

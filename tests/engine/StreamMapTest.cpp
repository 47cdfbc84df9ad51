#include "core.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class StreamMapTest : public ::testing::Test {
protected:
    void SetUp() override { curl = curl_easy_init(); }
    void TearDown() override { curl_easy_cleanup(curl); }

    // A fresh job that has fetched `page`, searched at the given quality.
    core search(const std::string& page, int quality, bool* found = nullptr) {
        JobOptions options;
        options.pageUrl = "http://127.0.0.1/watch";
        options.quality = quality;
        core job(options, 1, {});
        job.pageText = page;
        const bool result = job.findDetails(curl);
        if (found) {
            *found = result;
        }
        return job;
    }

    CURL* curl = nullptr;
};

using Entries = std::vector<std::string>;

TEST_F(StreamMapTest, PercentEncodedMapSplitsLikeItsDecodedForm) {
    const core encoded = search("<p>x fmt_url_map=9%7Cu9%2C10%7Cu10+x&amp;y=1", 4);
    const core plain = search("<p>x fmt_url_map=9|u9,10|u10+x&amp;y=1", 4);
    EXPECT_EQ(encoded.streams, (Entries{"9|u9", "10|u10+x"}));
    EXPECT_EQ(encoded.streams, plain.streams);
    EXPECT_EQ(encoded.streamUrl, "u9");

    // The marker itself may be encoded too.
    bool found = false;
    EXPECT_EQ(search("fmt_url_map%3D1|a%2C2|b", 4, &found).streamUrl, "a");
    EXPECT_TRUE(found);
}

TEST_F(StreamMapTest, MapEndsAtFirstEncodedAmpersandOrAtPageEnd) {
    bool found = false;
    core job = search("fmt_url_map=a|u1,b|u2&amp;x=1,c|u3", 1, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(job.streams, (Entries{"a|u1", "b|u2"}));
    EXPECT_EQ(job.streamCount, 2);

    job = search("head fmt_url_map=a|u1,b|u2&x=1", 1);
    EXPECT_EQ(job.streams, (Entries{"a|u1", "b|u2&x=1"}));
    EXPECT_EQ(job.streamUrl, "u2&x=1");

    // Only the first marker counts.
    job = search("fmt_url_map=1|one,2|two&amp; fmt_url_map=3|three,4|four", 2);
    EXPECT_EQ(job.streams, (Entries{"1|one", "2|two"}));
}

TEST_F(StreamMapTest, KeysSortNumericallyAndQualityPicksAnEnd) {
    const core low = search("fmt_url_map=10|u10,9|u9,25|u25", 4);
    EXPECT_EQ(low.streams, (Entries{"9|u9", "10|u10", "25|u25"}));
    EXPECT_EQ(low.streamCount, 3);
    EXPECT_EQ(low.streamUrl, "u9");
    for (int quality : {1, 2, 3}) {
        EXPECT_EQ(search("fmt_url_map=10|u10,9|u9,25|u25", quality).streamUrl, "u25") << quality;
    }
}

// A single entry is a stream like any other; a map that yields none offers
// nothing to download.
TEST_F(StreamMapTest, SingleEntryIsAStreamAndAnEmptyMapIsNone) {
    bool found = false;
    const core single = search("fmt_url_map=5|u5&amp;x", 4, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(single.streams, Entries{"5|u5"});
    EXPECT_EQ(single.streamCount, 1);
    EXPECT_EQ(single.streamUrl, "u5");
    EXPECT_EQ(search("fmt_url_map=plainurl", 1).streamUrl, "plainurl");

    for (const char* page : {"fmt_url_map=,5|u5,6|u6", "fmt_url_map=&amp;", "fmt_url_map="}) {
        found = true;
        const core job = search(page, 4, &found);
        EXPECT_FALSE(found) << page;
        EXPECT_TRUE(job.streams.empty()) << page;
        EXPECT_EQ(job.streamUrl, "") << page;
    }
}

TEST_F(StreamMapTest, EmptyAndUnkeyedEntriesSortFirst) {
    core job = search("fmt_url_map=9|u9,10|u10,", 4);
    EXPECT_EQ(job.streamCount, 3);
    EXPECT_EQ(job.streams.front(), "");
    EXPECT_EQ(job.streamUrl, "");
    EXPECT_EQ(search("fmt_url_map=9|u9,10|u10,", 1).streamUrl, "u10");

    job = search("fmt_url_map=7|a|b,plainurl", 4);
    EXPECT_EQ(job.streams, (Entries{"plainurl", "7|a|b"}));
    EXPECT_EQ(job.streamUrl, "plainurl");
    EXPECT_EQ(search("fmt_url_map=7|a|b,plainurl", 3).streamUrl, "a|b");
}

TEST_F(StreamMapTest, NoMarkerLeavesJobUntouched) {
    for (const char* page : {"<html>no map here</html>", "", "fmt_url_map%00x fmt_url_map=1|a,2|b",
                             "abc%00fmt_url_map=1|a,2|b"}) {
        bool found = true;
        const core job = search(page, 4, &found);
        EXPECT_FALSE(found) << page;
        EXPECT_TRUE(job.streams.empty());
        EXPECT_EQ(job.streamCount, 0);
        EXPECT_EQ(job.streamUrl, "");
    }
}

TEST(StreamOrderTest, KeyBytesCompareSigned) {
    EXPECT_TRUE(core::my_sort("\xC3|x", "a|x"));
    EXPECT_FALSE(core::my_sort("a|x", "\xC3|x"));
    EXPECT_FALSE(core::my_sort("1|y", "1|x"));
    EXPECT_FALSE(core::my_sort("plain", "other"));
}

} // namespace

#include "page/StreamMap.h"

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

} // namespace

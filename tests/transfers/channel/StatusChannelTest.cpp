#include "Downloads.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

namespace {

void drain() {
    Downloads::updates.clear();
    Downloads::dls.clear();
}

TEST(StatusChannel, EncodesAndReadsBackIdAndStatus) {
    struct Case {
        int id;
        const char* status;
        const char* queued;
    };
    const Case cases[] = {
        {0, "done", "0|done"},
        {7, "a|b|c", "7|a|b|c"},
        {12, "", "12|"},
        {-3, "Error: Could not save movie.", "-3|Error: Could not save movie."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Downloads::encode(c.id, c.status), c.queued);
        const auto back = Downloads::decode(c.queued);
        EXPECT_EQ(back.id, c.id) << c.queued;
        EXPECT_EQ(back.status, c.status) << c.queued;
    }
}

TEST(StatusChannel, ReadsIdLikeAtoi) {
    EXPECT_EQ(Downloads::decode("  42x|s").id, 42);
    EXPECT_EQ(Downloads::decode("|s").id, 0);
    EXPECT_EQ(Downloads::decode("+5|s").id, 5);
    EXPECT_EQ(Downloads::decode("+5|s").status, "s");
    EXPECT_EQ(Downloads::decode("-0|").id, 0);
    EXPECT_EQ(Downloads::decode("no separator").status, "");
    // Beyond int's range: no transfer, rather than another transfer's id.
    EXPECT_EQ(Downloads::decode("-2147483648|s").id, -2147483647 - 1);
    EXPECT_EQ(Downloads::decode("2147483648|s").id, -1);
    EXPECT_EQ(Downloads::decode("99999999999999999999999|s").id, -1);
}

TEST(StatusChannel, CallbacksQueueCopies) {
    drain();
    {
        std::string temp = "Scraping URL...";
        Downloads::cb(3, temp.c_str());
        temp.assign("overwritten");
    }
    Downloads::cb2(3, 0.0, 0.0);
    ASSERT_EQ(Downloads::updates.front().value(), "3|Scraping URL...");
    const DLPair p = Downloads::dls.front().value();
    EXPECT_EQ(p.index, 3);
    EXPECT_EQ(p.tot, 0.0);
    EXPECT_EQ(p.dwn, 0.0);
    drain();
}

// Many workers push while the window's thread reads and pops, one by one or
// in batches: every element arrives once, whole, and each producer's order
// is kept.
TEST(StatusChannel, ManyProducersOneConsumer) {
    drain();
    constexpr int producers = 8;
    constexpr int perProducer = 5000;
    std::vector<std::thread> workers;
    for (int id = 0; id < producers; ++id) {
        workers.emplace_back([id] {
            for (int n = 0; n < perProducer; ++n) {
                Downloads::cb(id, std::to_string(n).c_str());
                Downloads::cb2(id, perProducer, n);
            }
        });
    }
    std::map<int, int> nextText, nextPair;
    int seen = 0;
    while (seen < 2 * producers * perProducer) {
        if (auto text = Downloads::updates.front()) {
            const auto d = Downloads::decode(*text);
            ASSERT_EQ(std::stoi(d.status), nextText[d.id]++) << *text;
            Downloads::updates.pop();
            ++seen;
        }
        // Progress is read the way the window's drain reads it: in batches.
        for (const DLPair& pair : Downloads::dls.take(64)) {
            ASSERT_EQ(pair.dwn, nextPair[pair.index]++);
            ASSERT_EQ(pair.tot, perProducer);
            ++seen;
        }
    }
    for (auto& w : workers)
        w.join();
    EXPECT_TRUE(Downloads::updates.empty());
    EXPECT_TRUE(Downloads::dls.empty());
    for (int id = 0; id < producers; ++id) {
        EXPECT_EQ(nextText[id], perProducer);
        EXPECT_EQ(nextPair[id], perProducer);
    }
}

} // namespace

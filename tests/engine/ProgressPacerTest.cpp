#include "jobs/ProgressPacer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(ProgressPacer, ReportsPercentStepsAndPausesButNotEveryChunk) {
    ProgressPacer pacer;
    const auto t0 = ProgressPacer::Clock::time_point{} + 1h;
    // Known size: the first call, then each whole percent, however often called.
    EXPECT_TRUE(pacer.due(1000, 0, t0));
    int reports = 0;
    for (int now = 1; now <= 1000; ++now)
        reports += pacer.due(1000, now, t0 + 1ms) ? 1 : 0;
    EXPECT_EQ(reports, 100);
    EXPECT_FALSE(pacer.pending());

    // Unknown size: at most one report an interval, and the held values are
    // known for the end of the transfer.
    ProgressPacer open;
    EXPECT_TRUE(open.due(0, 10, t0));
    EXPECT_FALSE(open.due(0, 20, t0 + 10ms));
    EXPECT_FALSE(open.due(0, 30, t0 + 20ms));
    EXPECT_TRUE(open.pending());
    EXPECT_EQ(open.now(), 30);
    EXPECT_TRUE(open.due(0, 40, t0 + ProgressPacer::Interval));
    EXPECT_FALSE(open.pending());
    // Nothing new (a stalled transfer): nothing to report, nothing held.
    EXPECT_FALSE(open.due(0, 40, t0 + 1s));
    EXPECT_FALSE(open.pending());
}

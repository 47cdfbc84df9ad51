#include "TransferRate.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(TransferRate, FollowsTheLastSecondsOfATransfer) {
    TransferRate rate;
    const auto t0 = TransferRate::Clock::time_point{} + 1h;
    const double total = 10e6;
    double received = 0;
    auto at = t0;
    // Feeds samples every step until until, at bytesPerSecond.
    auto feed = [&](std::chrono::milliseconds until, double bytesPerSecond,
                    std::chrono::milliseconds step = 250ms) {
        while (at < t0 + until) {
            at += step;
            received += bytesPerSecond * std::chrono::duration<double>(step).count();
            rate.add(at, received, total);
        }
    };

    rate.add(at, 0, total);
    EXPECT_EQ(rate.rate(), std::nullopt);
    EXPECT_EQ(rate.describe(), "");

    // Less than a window so far: what there is.
    feed(2s, 1e6);
    ASSERT_TRUE(rate.rate());
    EXPECT_DOUBLE_EQ(*rate.rate(), 1e6);
    EXPECT_EQ(rate.timeLeft(), 8s);
    EXPECT_EQ(rate.describe(), "1.0 MB/s, 0:08 left");

    // The link slows at 4 s: half-way through the window the rate lies in
    // between, one window later it is the new one (an average since the
    // start would still say 679 kB/s).
    feed(4s, 1e6);
    feed(5s, 250e3);
    EXPECT_GT(*rate.rate(), 250e3);
    EXPECT_LT(*rate.rate(), 1e6);
    feed(7s, 250e3);
    EXPECT_DOUBLE_EQ(*rate.rate(), 250e3);
    EXPECT_EQ(rate.describe(), "250 kB/s, 0:21 left");

    // Reported on every millisecond, the rate is just as exact.
    feed(10s, 2e6, 1ms);
    EXPECT_NEAR(*rate.rate(), 2e6, 1);

    // Stalled for a whole window: zero, and no time left to tell.
    const double stalled = received;
    feed(14s, 0);
    EXPECT_EQ(received, stalled);
    EXPECT_EQ(rate.rate(), 0.0);
    EXPECT_EQ(rate.timeLeft(), std::nullopt);
    EXPECT_EQ(rate.describe(), "0 B/s");

    // Fewer bytes than before: the transfer started over, nothing earlier counts.
    received = 1000;
    at += 1s;
    rate.add(at, received, total);
    EXPECT_EQ(rate.rate(), std::nullopt);
    at += 1s;
    rate.add(at, total - 1, total);
    EXPECT_DOUBLE_EQ(*rate.rate(), total - 1 - 1000);
    // One byte to go is a second, not none.
    EXPECT_EQ(rate.timeLeft(), 1s);

    // Waiting for the first byte is the server's time, not the link's.
    TransferRate late;
    late.add(t0, 0, total);
    late.add(t0 + 5s, 0, total);
    EXPECT_EQ(late.rate(), std::nullopt);
    late.add(t0 + 6s, 1e6, total);
    EXPECT_EQ(late.describe(), "1.0 MB/s, 0:09 left");

    // Unknown total: a rate, no time left.
    TransferRate open;
    open.add(t0, 0, 0);
    open.add(t0 + 2s, 3e9, 0);
    EXPECT_EQ(open.describe(), "1.5 GB/s");
    open.reset();
    EXPECT_EQ(open.describe(), "");
}

TEST(TransferRate, FormatsRatesAndTimesLeft) {
    const std::pair<double, const char*> rates[] = {
        {0, "0 B/s"},        {999, "999 B/s"},    {999.6, "1.0 kB/s"},  {1000, "1.0 kB/s"},
        {9940, "9.9 kB/s"},  {9960, "10 kB/s"},   {512e3, "512 kB/s"},  {999.96e3, "1.0 MB/s"},
        {2.4e6, "2.4 MB/s"}, {24.4e6, "24 MB/s"}, {1.25e9, "1.3 GB/s"}, {2e12, "2000 GB/s"},
        {-5, "0 B/s"},
    };
    for (const auto& [bytesPerSecond, text] : rates)
        EXPECT_EQ(TransferRate::formatRate(bytesPerSecond), text) << bytesPerSecond;

    const std::pair<std::chrono::seconds, const char*> times[] = {
        {0s, "0:00 left"},       {42s, "0:42 left"},      {59s, "0:59 left"},
        {60s, "1:00 left"},      {725s, "12:05 left"},    {3599s, "59:59 left"},
        {3600s, "1:00:00 left"}, {3723s, "1:02:03 left"}, {100h, "100:00:00 left"},
    };
    for (const auto& [left, text] : times)
        EXPECT_EQ(TransferRate::formatTimeLeft(left), text) << left.count();
}

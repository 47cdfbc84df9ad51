#include "RateLine.h"
#include "TransferRate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <utility>

using namespace std::chrono_literals;

TEST(RateLine, WordsRatesAndTimesLeft) {
    const std::pair<double, const char*> rates[] = {
        {0, "0 B/s"},        {999, "999 B/s"},    {999.6, "1.0 kB/s"},  {1000, "1.0 kB/s"},
        {9940, "9.9 kB/s"},  {9960, "10 kB/s"},   {512e3, "512 kB/s"},  {999.96e3, "1.0 MB/s"},
        {2.4e6, "2.4 MB/s"}, {24.4e6, "24 MB/s"}, {1.25e9, "1.3 GB/s"}, {2e12, "2000 GB/s"},
        {-5, "0 B/s"},
    };
    for (const auto& [bytesPerSecond, text] : rates)
        EXPECT_EQ(RateLine::rate(bytesPerSecond), text) << bytesPerSecond;

    const std::pair<std::chrono::seconds, const char*> times[] = {
        {0s, "0:00 left"},       {42s, "0:42 left"},      {59s, "0:59 left"},
        {60s, "1:00 left"},      {725s, "12:05 left"},    {3599s, "59:59 left"},
        {3600s, "1:00:00 left"}, {3723s, "1:02:03 left"}, {100h, "100:00:00 left"},
    };
    for (const auto& [left, text] : times)
        EXPECT_EQ(RateLine::timeLeft(left), text) << left.count();

    // A transfer's figures, as its progress line shows them.
    const auto t0 = TransferRate::Clock::time_point{} + 1h;
    TransferRate known;
    EXPECT_EQ(RateLine::of(known), "");
    known.add(t0, 0, 10e6);
    known.add(t0 + 2s, 2e6, 10e6);
    EXPECT_EQ(RateLine::of(known), "1.0 MB/s, 0:08 left");
    TransferRate open;
    open.add(t0, 0, 0);
    open.add(t0 + 2s, 3e9, 0);
    EXPECT_EQ(RateLine::of(open), "1.5 GB/s");
}

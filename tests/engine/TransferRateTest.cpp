#include "TransferRate.h"

#include "SpeedLimit.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace std::chrono_literals;

TEST(TransferRate, FollowsTheLastSecondsOfATransfer) {
    TransferRate rate;
    const auto t0 = TransferRate::Clock::time_point{} + 1h;
    const auto window = std::chrono::duration_cast<std::chrono::seconds>(TransferRate::Window);
    const double total = 100e6;
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
    EXPECT_EQ(rate.timeLeft(), 98s);
    EXPECT_EQ(rate.describe(), "1.0 MB/s, 1:38 left");

    // The link slows at 10 s: half-way through the window the rate lies in
    // between, one window later it is the new one.
    feed(10s, 1e6);
    feed(10s + window / 2, 250e3);
    EXPECT_GT(*rate.rate(), 250e3);
    EXPECT_LT(*rate.rate(), 1e6);
    feed(10s + window + 1s, 250e3);
    EXPECT_DOUBLE_EQ(*rate.rate(), 250e3);

    // Reported on every millisecond, the rate is just as exact.
    const auto fast = at - t0;
    feed(std::chrono::duration_cast<std::chrono::milliseconds>(fast) + window + 1s, 2e6, 1ms);
    EXPECT_NEAR(*rate.rate(), 2e6, 1);

    // Stalled: the figure falls, and after a whole window it is zero, with
    // no time left to tell.
    const double stalled = received;
    const auto stall = std::chrono::duration_cast<std::chrono::milliseconds>(at - t0);
    feed(stall + 2s, 0);
    EXPECT_LT(*rate.rate(), 2e6);
    EXPECT_GT(*rate.rate(), 0);
    feed(stall + window + 1s, 0);
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
    late.add(t0, 0, 10e6);
    late.add(t0 + 5s, 0, 10e6);
    EXPECT_EQ(late.rate(), std::nullopt);
    late.add(t0 + 6s, 1e6, 10e6);
    EXPECT_EQ(late.describe(), "1.0 MB/s, 0:09 left");

    // Unknown total: a rate, no time left.
    TransferRate open;
    open.add(t0, 0, 0);
    open.add(t0 + 2s, 3e9, 0);
    EXPECT_EQ(open.describe(), "1.5 GB/s");
    open.reset();
    EXPECT_EQ(open.describe(), "");
}

// A transfer held by the speed limit receives a chunk, then nothing while
// its debt is paid and until libcurl looks again (once a second while
// paused). Read every half second, as the window does, the rate stays at
// what arrives on average, and the time left counts down with it.
TEST(TransferRate, ReadsTheSteadyRateOfALimitedTransfer) {
    auto now = TransferRate::Clock::time_point{} + 1h;
    const auto start = now;
    // A transfer that began unlimited keeps its 16 KiB chunks under 10 kB/s.
    SpeedLimit limit(10'000, [&] { return now; });
    const double chunk = 16 * 1024;
    const double total = 100 * chunk;
    TransferRate rate;
    double received = 0;
    bool held = false;
    auto nextLook = now;
    std::vector<std::pair<double, double>> readings; // received, rate
    std::vector<std::int64_t> lefts;
    rate.add(now, 0, total);
    for (int tick = 1; tick <= 600; ++tick) {
        now += 100ms;
        if (held && now >= nextLook) {
            held = !limit.ready();
            nextLook = now + 1s;
        }
        while (!held && received < total) {
            if (!limit.take(static_cast<std::size_t>(chunk))) {
                held = true;
                nextLook = now + 1s;
                break;
            }
            received += chunk;
            rate.add(now, received, total);
        }
        // The window's timer: a transfer silent for a second has received nothing.
        if (tick % 5 == 0 && now - *rate.lastSampleAt() >= 1s)
            rate.addSilence(now);
        if (tick % 5 == 0 && now - start > 2 * TransferRate::Window) {
            readings.push_back({received, rate.rate().value_or(0)});
            lefts.push_back(rate.timeLeft().value_or(0s).count());
        }
    }
    ASSERT_FALSE(readings.empty());
    const double seconds = 0.5 * static_cast<double>(readings.size() - 1);
    const double average = (readings.back().first - readings.front().first) / seconds;
    // A figure over a short window swings by half either way.
    for (const auto& [bytes, shown] : readings)
        EXPECT_NEAR(shown, average, average * 0.12) << bytes;
    // Counting down between bursts too, backing up only as the rate moves.
    for (std::size_t i = 1; i < lefts.size(); ++i)
        EXPECT_LE(lefts[i], lefts[i - 1] * 1.1) << i;
    EXPECT_LT(lefts.back(), lefts.front() - 10);
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

#include "TransferRate.h"

#include "SpeedLimit.h"

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

    // Less than a window so far: what there is.
    feed(2s, 1e6);
    ASSERT_TRUE(rate.rate());
    EXPECT_DOUBLE_EQ(*rate.rate(), 1e6);
    EXPECT_EQ(rate.timeLeft(), 8s);

    // The link slows at 4 s: half-way through the window the rate lies in
    // between, one window later it is the new one.
    feed(4s, 1e6);
    feed(8s, 250e3);
    EXPECT_GT(*rate.rate(), 250e3);
    EXPECT_LT(*rate.rate(), 1e6);
    feed(13s, 250e3);
    EXPECT_DOUBLE_EQ(*rate.rate(), 250e3);
    EXPECT_EQ(rate.timeLeft(), 15s);

    // Reported on every millisecond, the rate is just as exact.
    feed(22s, 2e6, 1ms);
    EXPECT_NEAR(*rate.rate(), 2e6, 1);

    // Stalled for a whole window: zero, and no time left to tell.
    const double stalled = received;
    feed(31s, 0);
    EXPECT_EQ(received, stalled);
    EXPECT_EQ(rate.rate(), 0.0);
    EXPECT_EQ(rate.timeLeft(), std::nullopt);

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
    EXPECT_DOUBLE_EQ(*late.rate(), 1e6);
    EXPECT_EQ(late.timeLeft(), 9s);

    // Unknown total: a rate, no time left.
    TransferRate open;
    open.add(t0, 0, 0);
    open.add(t0 + 2s, 3e9, 0);
    EXPECT_DOUBLE_EQ(*open.rate(), 1.5e9);
    EXPECT_EQ(open.timeLeft(), std::nullopt);
    open.reset();
    EXPECT_EQ(open.rate(), std::nullopt);
}

// Held by the speed limit, a transfer gets a chunk, then nothing while its
// debt is paid, until libcurl looks again (once a second). Read every half
// second as the window does, the rate stays near what arrives on average
// (a 3-second figure swung by half) and the time left falls with it.
TEST(TransferRate, ReadsTheSteadyRateOfALimitedTransfer) {
    auto now = TransferRate::Clock::time_point{} + 1h;
    // Begun unlimited, it keeps its 16 KiB chunks under 10 kB/s.
    SpeedLimit limit(10'000, [&] { return now; });
    const double chunk = 16 * 1024;
    TransferRate rate;
    double received = 0;
    std::vector<double> bytes, shown, lefts;
    for (int tick = 1; tick <= 600; ++tick) {
        now += 100ms;
        while (tick % 10 == 0 && limit.take(static_cast<std::size_t>(chunk)))
            rate.add(now, received += chunk, 100 * chunk);
        // The window's timer: silent for a second, nothing has arrived.
        if (tick % 5 == 0 && now - *rate.lastSampleAt() >= 1s)
            rate.addSilence(now);
        if (tick % 5 == 0 && tick > 200) {
            bytes.push_back(received);
            shown.push_back(rate.rate().value_or(0));
            lefts.push_back(static_cast<double>(rate.timeLeft().value_or(0s).count()));
        }
    }
    const double average = (bytes.back() - bytes.front()) / (0.5 * (bytes.size() - 1));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_NEAR(shown[i], average, average * 0.12) << i;
        EXPECT_LE(lefts[i], i ? lefts[i - 1] * 1.1 : 1e9) << i;
    }
    EXPECT_LT(lefts.back(), lefts.front() - 10);
}

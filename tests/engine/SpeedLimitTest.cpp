#include "SpeedLimit.h"
#include "DownloadJob.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace enginetest;
using namespace std::chrono_literals;

// A clock that moves only when the test says.
struct TestClock {
    std::shared_ptr<std::atomic<SpeedLimit::Clock::rep>> ticks =
        std::make_shared<std::atomic<SpeedLimit::Clock::rep>>(0);
    SpeedLimit::Now now() const {
        return
            [t = ticks] { return SpeedLimit::Clock::time_point(SpeedLimit::Clock::duration(*t)); };
    }
    void advance(std::chrono::milliseconds by) const {
        *ticks += std::chrono::duration_cast<SpeedLimit::Clock::duration>(by).count();
    }
};

TEST(SpeedLimitTest, TheBucketFillsAtTheRateAndHoldsASecond) {
    TestClock clock;
    SpeedLimit limit(1000, clock.now());
    // Empty at first: the limit holds from the first byte.
    EXPECT_FALSE(limit.ready());
    EXPECT_FALSE(limit.take(100));
    clock.advance(100ms);
    EXPECT_DOUBLE_EQ(limit.tokens(), 100);
    // A chunk larger than what is there passes once, into debt.
    EXPECT_TRUE(limit.take(500));
    EXPECT_DOUBLE_EQ(limit.tokens(), -400);
    clock.advance(400ms);
    EXPECT_FALSE(limit.take(1));
    clock.advance(1ms);
    EXPECT_TRUE(limit.ready());
    // Idle time fills it to a second's worth, never more.
    clock.advance(10s);
    EXPECT_DOUBLE_EQ(limit.tokens(), 1000);
    // A lower limit holds at once; none lets everything through.
    limit.setRate(300);
    EXPECT_DOUBLE_EQ(limit.tokens(), 300);
    EXPECT_TRUE(limit.take(400));
    EXPECT_FALSE(limit.take(1));
    limit.setRate(0);
    EXPECT_TRUE(limit.take(1 << 30));
    EXPECT_TRUE(limit.ready());
    // A transfer started under a limit reads chunks within libcurl's bounds
    // that the bucket may always owe whole, so that it keeps to the limit
    // exactly; without a limit it reads the most.
    EXPECT_EQ(limit.bufferBytes(262144), 262144);
    for (const std::int64_t rate : {100L, 1000L, 20000L, 500000L, 1L << 30}) {
        SCOPED_TRACE(rate);
        limit.setRate(rate);
        const long chunk = limit.bufferBytes(262144);
        EXPECT_GE(chunk, 1024);
        EXPECT_LE(chunk, 262144);
        EXPECT_LE(chunk, limit.maxDebt());
    }
}

// A chunk larger than the tokens (libcurl hands a transfer started under no
// or a higher limit chunks of up to 16 KiB, received 256 KiB at a time)
// passes into a debt of all of it, paid before the next chunk passes: the
// limit holds from the moment it is set. A rate that drops keeps at most two
// seconds of debt at the new rate.
TEST(SpeedLimitTest, AChunkIsPaidInFull) {
    TestClock clock;
    SpeedLimit limit(1000, clock.now());
    EXPECT_DOUBLE_EQ(limit.maxDebt(), 2000);
    clock.advance(1ms);
    EXPECT_TRUE(limit.take(16384));
    EXPECT_DOUBLE_EQ(limit.tokens(), -16383);
    clock.advance(16383ms);
    EXPECT_FALSE(limit.ready());
    clock.advance(1ms);
    EXPECT_TRUE(limit.take(16384));
    // A high rate's debt, then a low rate: two seconds of the new one.
    limit.setRate(1 << 20);
    clock.advance(1s);
    EXPECT_TRUE(limit.take(std::size_t{1} << 22));
    EXPECT_DOUBLE_EQ(limit.tokens(), (1 << 20) - 16383 - (1 << 22));
    limit.setRate(1000);
    EXPECT_DOUBLE_EQ(limit.tokens(), -2000);
    // Never less than libcurl's smallest chunk: at 100 B/s, a transfer
    // started under the limit (1 KiB chunks) keeps to it exactly.
    limit.setRate(100);
    EXPECT_DOUBLE_EQ(limit.maxDebt(), 1024);
    EXPECT_DOUBLE_EQ(limit.tokens(), -1024);
    clock.advance(10241ms);
    EXPECT_TRUE(limit.take(1024));
    EXPECT_NEAR(limit.tokens(), -1023.9, 1e-6);
}

// Each running transfer holds a registration: the rate is shared among
// them (the whole of it when none runs; 0 when there is no limit).
TEST(SpeedLimitTest, TheRateIsSharedAmongTheTransfersRegistered) {
    SpeedLimit limit(6000);
    EXPECT_EQ(limit.share(), 6000);
    {
        const SpeedLimit::Registration a(&limit);
        EXPECT_EQ(limit.transfers(), 1);
        EXPECT_EQ(limit.share(), 6000);
        const SpeedLimit::Registration b(&limit);
        const SpeedLimit::Registration c(&limit);
        EXPECT_EQ(limit.share(), 2000);
        limit.setRate(0);
        EXPECT_EQ(limit.share(), 0);
        const SpeedLimit::Registration none(nullptr);
    }
    EXPECT_EQ(limit.transfers(), 0);
}

TEST(SpeedLimitTest, RatesReadAsCurlReadsThem) {
    EXPECT_EQ(SpeedLimit::parseRate("65536"), 65536);
    EXPECT_EQ(SpeedLimit::parseRate("500K"), 512000);
    EXPECT_EQ(SpeedLimit::parseRate("500k"), 512000);
    EXPECT_EQ(SpeedLimit::parseRate("2M"), 2097152);
    EXPECT_EQ(SpeedLimit::parseRate("1g"), 1073741824);
    EXPECT_EQ(SpeedLimit::parseRate("300B"), 300);
    EXPECT_EQ(SpeedLimit::parseRate("0"), 0);
    for (const char* bad :
         {"", "K", "-5", "1.5M", "5KB", "5 K", "5T", "99999999999999999999", "9000000000G"})
        EXPECT_EQ(SpeedLimit::parseRate(bad), std::nullopt) << bad;
}

// With the clock stopped, a limited download holds before its first byte
// and goes on, whole, once the limit is lifted while it runs.
TEST(SpeedLimitTest, ALimitedDownloadPausesUntilTheLimitLetsItGo) {
    FixtureServer srv;
    TempDir movies;
    const std::string bytes = testBytes(200'000);
    srv.watchPage("/watch", "Held", {{"5", srv.url("/movie")}});
    srv.stream("/movie", bytes);
    TestClock clock;
    auto limit = std::make_shared<SpeedLimit>(1000, clock.now());
    JobOptions options = jobOptions(srv.url("/watch"), "Held", 4, movies.path(), movies.path());
    options.speedLimit = limit;
    const int id = JobRecorder::nextId();
    std::thread worker([&] { DownloadJob(options, id, &JobRecorder::record).run(); });

    // What is on disk: libcurl counts what it holds, the part file shows what was taken.
    const auto written = [&movies] {
        std::vector<std::uintmax_t> sizes;
        for (const auto& entry : std::filesystem::directory_iterator(movies.path()))
            sizes.push_back(entry.file_size());
        return sizes;
    };
    EXPECT_TRUE(waitUntil([&] { return srv.hits("/movie") > 0 && !written().empty(); }));
    // Time for a byte to slip through if one could; a held transfer stays empty.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(written(), std::vector<std::uintmax_t>{0}) << "a byte passed an empty bucket";
    limit->setRate(0);
    worker.join();

    EXPECT_EQ(readFile(movies.file("Held.flv")), bytes);
    EXPECT_EQ(JobRecorder::statusesOf(id),
              upToMovie("setflv", {"saved:Held.flv", "downloaded", "done:downloaded"}));
}

} // namespace

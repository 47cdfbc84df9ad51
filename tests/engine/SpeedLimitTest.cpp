#include "SpeedLimit.h"
#include "DownloadJob.h"
#include "FixtureServer.h"
#include "JobRecorder.h"

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
    // Chunks are a tenth of a second's worth, within libcurl's bounds.
    EXPECT_EQ(limit.bufferBytes(262144), 262144);
    limit.setRate(500000);
    EXPECT_EQ(limit.bufferBytes(262144), 50000);
    limit.setRate(100);
    EXPECT_EQ(limit.bufferBytes(262144), 1024);
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
    for (int i = 0; i < 1000 && (srv.hits("/movie") == 0 || written().empty()); ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(written(), std::vector<std::uintmax_t>{0}) << "a byte passed an empty bucket";
    limit->setRate(0);
    worker.join();

    EXPECT_EQ(readFile(movies.file("Held.flv")), bytes);
    EXPECT_EQ(JobRecorder::statusesOf(id),
              upToMovie("setflv", {"saved:Held.flv", "Download Complete!", "done"}));
}

} // namespace

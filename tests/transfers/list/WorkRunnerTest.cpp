#include "WorkRunner.h"
#include "CancelToken.h"
#include "ConvertJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

TEST(WorkRunnerTest, RunsWorkOffTheCallersThreadUntilItReturns) {
    WorkRunner runner;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> elsewhere{false};
    runner.run([&elsewhere, released, caller = std::this_thread::get_id()] {
        elsewhere = std::this_thread::get_id() != caller;
        released.wait();
    });
    EXPECT_FALSE(runner.waitUntilNone(10ms));
    release.set_value();
    EXPECT_TRUE(runner.waitUntilNone(10s));
    EXPECT_TRUE(elsewhere);

    // A job handed over runs there and is deleted there (ASan sees a leak).
    std::promise<void> stopped;
    auto token = std::make_shared<CancelToken>();
    token->cancel();
    JobOptions options;
    options.title = "t";
    WorkRunner::jobRunner(runner)(std::make_unique<ConvertJob>(
        options, "t.flv", "t", 1,
        [&stopped](const JobEvent& event) {
            if (event.kind == JobEvent::Kind::Cancelled)
                stopped.set_value();
        },
        token));
    EXPECT_TRUE(runner.waitUntilNone(10s));
    EXPECT_EQ(stopped.get_future().wait_for(0s), std::future_status::ready);
}

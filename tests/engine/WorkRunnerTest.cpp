#include "WorkRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
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
}

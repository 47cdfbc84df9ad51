// The pace of a pane's checks, on a clock the test moves.
#include "app/search/CheckPace.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

TEST(CheckPaceTest, TwoAtOnceSixtyAMinuteInOrderAndDroppedWithTheirPage) {
    CheckPace::Clock::time_point now{};
    CheckPace pace([&] { return now; });
    std::vector<std::function<void()>> begun; // each one's done, in the order they began
    const auto check = [&](std::function<void()> done) { begun.push_back(std::move(done)); };
    for (int n = 0; n < 3; ++n)
        pace.add(check);
    EXPECT_EQ(begun.size(), 2u);
    begun[0]();
    begun[0](); // once only
    EXPECT_EQ(begun.size(), 3u);
    // Sixty starts in the minute; the next wait for the first to leave it.
    for (int n = 0; n < 60; ++n) {
        pace.add(check);
        begun.back()();
    }
    begun[1]();
    EXPECT_EQ(begun.size(), 60u);
    EXPECT_EQ(pace.waiting(), 3u);
    now += std::chrono::seconds(59);
    pace.add(check);
    EXPECT_EQ(begun.size(), 60u);
    now += std::chrono::seconds(1);
    pace.add(check);
    EXPECT_EQ(begun.size(), 62u);
    pace.drop();
    begun[60]();
    begun[61]();
    EXPECT_EQ(begun.size(), 62u);
    EXPECT_EQ(pace.waiting(), 0u);
}

// The pace of a pane's checks, on a clock the test moves.
#include "app/search/CheckPace.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

TEST(CheckPaceTest, TwoAtOnceSixtyAMinuteInOrderAndDroppedWithTheirPage) {
    CheckPace::Clock::time_point now{};
    CheckPace pace([&] { return now; });
    std::vector<int> begun;
    std::vector<std::function<void()>> open;
    const auto check = [&](int n) {
        return [&, n](std::function<void()> done) {
            begun.push_back(n);
            open.push_back(std::move(done));
        };
    };
    for (int n = 0; n < 3; ++n)
        pace.add(check(n));
    EXPECT_EQ(begun, (std::vector<int>{0, 1}));
    EXPECT_EQ(pace.waiting(), 1u);
    open[0]();
    open[0](); // once only
    EXPECT_EQ(begun, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(pace.running(), 2u);
    open[1]();
    open[2]();

    // Sixty starts in the minute; the next waits for the first to leave it.
    for (int n = 3; n < 63; ++n) {
        pace.add(check(n));
        open.back()();
    }
    EXPECT_EQ(begun.size(), 60u);
    EXPECT_EQ(pace.waiting(), 3u);
    now += std::chrono::seconds(59);
    pace.add(check(63));
    EXPECT_EQ(begun.size(), 60u);
    now += std::chrono::seconds(1);
    pace.add(check(64)); // a minute on, the first starts have left it
    EXPECT_EQ(begun.size(), 62u);
    EXPECT_EQ(begun.back(), 61);
    EXPECT_EQ(pace.waiting(), 3u);
    pace.drop();
    EXPECT_EQ(pace.waiting(), 0u);
    open[60]();
    open[61]();
    EXPECT_EQ(begun.size(), 62u);
}

#include "transfers/ProgressScale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

TEST(ProgressScale, KnownTotalsAreCountedInBytes) {
    const ProgressScale half = ProgressScale::fit(1000, 500);
    EXPECT_EQ(half.maximum, 1000);
    EXPECT_EQ(half.value, 500);
    EXPECT_FALSE(half.busy());

    // More than announced, or nonsense, stays inside the range.
    EXPECT_EQ(ProgressScale::fit(1000, 5000).value, 1000);
    EXPECT_EQ(ProgressScale::fit(1000, -3).value, 0);
    EXPECT_EQ(ProgressScale::fit(1000, std::nan("")).value, 0);
}

TEST(ProgressScale, UnknownTotalsShowABusyBar) {
    for (double total : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const ProgressScale scale = ProgressScale::fit(total, 123456);
        EXPECT_TRUE(scale.busy()) << total;
        EXPECT_EQ(scale.maximum, 0);
        EXPECT_EQ(scale.value, 0);
    }
    EXPECT_TRUE(ProgressScale::fit(0, 0).busy());
}

TEST(ProgressScale, TotalsBeyondTheIntRangeAreScaled) {
    const double fiveGiB = 5.0 * 1024 * 1024 * 1024;
    for (double received : {0.0, fiveGiB / 3, fiveGiB - 1, fiveGiB, fiveGiB * 2}) {
        const ProgressScale scale = ProgressScale::fit(fiveGiB, received);
        EXPECT_GT(scale.maximum, INT_MAX / 2);
        EXPECT_GE(scale.value, 0);
        EXPECT_LE(scale.value, scale.maximum);
        const double shown = double(scale.value) / scale.maximum;
        EXPECT_NEAR(shown, std::min(received, fiveGiB) / fiveGiB, 1e-6);
    }
    const ProgressScale edge = ProgressScale::fit(double(INT_MAX) + 1, double(INT_MAX) + 1);
    EXPECT_EQ(edge.value, edge.maximum);
    const ProgressScale huge = ProgressScale::fit(1e300, 5e299);
    EXPECT_GT(huge.maximum, 0);
    EXPECT_NEAR(double(huge.value) / huge.maximum, 0.5, 1e-6);
}

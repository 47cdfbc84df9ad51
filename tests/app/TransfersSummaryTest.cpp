// What the status bar and the title bar say about the transfers as a whole.
#include "TransfersSummary.h"
#include "Job.h"
#include "TransferList.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(TransfersSummary, CountsWhatRunsAndWaitsAndSaysReadyOtherwise) {
    TransfersSummary idle;
    EXPECT_EQ(idle.text(), "Ready");
    EXPECT_EQ(idle.percent(), -1);

    // Jobs are kept, never run: the list's counting is what is looked at.
    std::vector<std::unique_ptr<Job>> kept;
    TransferList list(
        nullptr, [&](std::unique_ptr<Job> job) { kept.push_back(std::move(job)); }, nullptr,
        [] { return TransferList::JobSettings{}; });
    list.setMaxRunning(2);
    for (int i = 0; i < 3; ++i)
        list.add("http://127.0.0.1:9/watch", "Clip");
    const TransfersSummary summary = TransfersSummary::of(list);
    EXPECT_EQ(summary.downloading, 2);
    EXPECT_EQ(summary.queued, 1);
    EXPECT_EQ(summary.text(), "2 downloading · 1 waiting");
    EXPECT_EQ(summary.percent(), -1) << "no size known yet";

    // Paused by the user, or failed: waiting for the user, never "Ready".
    list.pause(list.at(0).id);
    JobEvent failed;
    failed.id = 2;
    failed.kind = JobEvent::Kind::Failed;
    list.apply(failed);
    list.cancel(list.at(2).id);
    EXPECT_EQ(TransfersSummary::of(list).text(), "1 paused · 1 failed");

    TransfersSummary moving;
    moving.downloading = 1;
    moving.converting = 1;
    moving.bytesPerSecond = 1.4e6;
    moving.received = 3;
    moving.total = 4;
    EXPECT_EQ(moving.text(), "1 downloading · 1 converting · 1.4 MB/s");
    EXPECT_EQ(moving.percent(), 75);
    EXPECT_EQ(moving.title(), "75% — Quillmoth");
}

TEST(TransfersSummary, SpeedsUnderALimitNeverReadAboveIt) {
    std::vector<std::unique_ptr<Job>> kept;
    TransferList list(
        nullptr, [&](std::unique_ptr<Job> job) { kept.push_back(std::move(job)); }, nullptr,
        [] { return TransferList::JobSettings{}; });
    constexpr double limit = 200'000;
    list.setSpeedLimit(static_cast<std::int64_t>(limit));
    list.add("http://127.0.0.1:9/a", "a");
    list.add("http://127.0.0.1:9/b", "b");
    // The first chunks of a start come at once, far above the limit's pace.
    for (int job = 1; job <= 2; ++job)
        for (double done : {0.0, 1e5 * job, 3e5 * job}) {
            JobEvent progress;
            progress.id = job;
            progress.kind = JobEvent::Kind::Progress;
            progress.done = done;
            progress.total = 1e7;
            list.apply(progress);
        }
    const auto first = list.speedAt(0);
    const auto second = list.speedAt(1);
    ASSERT_TRUE(first && second);
    EXPECT_LE(first->bytesPerSecond + second->bytesPerSecond, limit * (1 + 1e-9));
    EXPECT_LE(TransfersSummary::of(list).bytesPerSecond, limit * (1 + 1e-9));
}

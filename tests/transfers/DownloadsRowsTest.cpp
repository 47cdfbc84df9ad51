#include "TransfersFixture.h"

#include <QProgressBar>

TEST_F(TransfersTest, ClearingTheMiddleRowMovesTheRowsBelowUp) {
    for (const char* t : {"A", "B", "C"})
        finishedTransfer(t);
    QProgressBar* thirdBar = downloads->item(2)->pb;

    downloads->clearItemFromView(1);

    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(downloads->item(1), nullptr);
    EXPECT_EQ(downloads->getRowCount(), 2);
    ASSERT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_EQ(title(0), "A");
    EXPECT_EQ(title(1), "C");
    EXPECT_EQ(downloads->item(0)->listID, 0);
    EXPECT_EQ(downloads->item(2)->listID, 1);
    EXPECT_EQ(barInRow(1), thirdBar);
    EXPECT_EQ(barInRow(0), downloads->item(0)->pb.data());

    // Later texts of the third transfer land on its new row.
    report(2, {"late text"});
    EXPECT_EQ(status(1), "late text");
    EXPECT_EQ(status(0), "Download Complete!");

    // Library rows of a cleared transfer stay.
    EXPECT_EQ(ListView::rowCount(library), 3);

    // No row with that index: nothing happens.
    downloads->clearItemFromView(5);
    downloads->convert(5);
    EXPECT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TransfersTest, UnfinishedTransfersAreNeitherClearedNorConverted) {
    downloads->download("http://127.0.0.1:1/a", "Running");
    report(0, {"setmp4", "Download Complete!"});

    downloads->clearItemFromView(0);
    downloads->convert(0);
    EXPECT_EQ(messages, QStringList({"This item hasn't finished processing.",
                                     "This item hasn't finished processing."}));
    EXPECT_EQ(ListView::rowCount(transfers), 1);
    ASSERT_NE(downloads->item(0), nullptr);
    EXPECT_FALSE(downloads->item(0)->converted());
    EXPECT_EQ(status(0), "Download Complete!");

    // A failed transfer is complete and can go.
    report(0, {"done", "Error: Could not save movie."});
    EXPECT_EQ(status(0), "Error: Could not save movie.");
    downloads->clearItemFromView(0);
    EXPECT_EQ(ListView::rowCount(transfers), 0);
    EXPECT_EQ(downloads->getRowCount(), 0);
}

// Cancel and retry follow how a row's latest job ended, as its texts tell;
// the speed cell shows only while bytes arrive.
TEST_F(TransfersTest, CancelAndRetryFollowHowTheRowEnded) {
    using Outcome = DownloadItems::Outcome;
    using namespace std::chrono_literals;
    downloads->download("http://127.0.0.1:1/a", "A");
    finishedTransfer("B");
    report(0, {"Downloading... [Patience]"});
    DownloadItems* a = downloads->item(0);
    EXPECT_EQ(a->outcome, Outcome::Running);

    // Reports stamped by hand (well after the real ticks of report(), so
    // that those never take the transfer for stalled), drained at that time.
    const auto t0 = DLPair::Clock::now() + 1h;
    auto progress = [&](int id, std::chrono::milliseconds at, double received) {
        Downloads::dls.push(DLPair(id, 10e6, received, t0 + at));
        downloads->tick(t0 + at);
    };
    progress(0, 0ms, 0);
    EXPECT_EQ(speed(0), "");
    progress(0, 250ms, 500e3);
    EXPECT_EQ(speed(0), "") << "worked out again at most twice a second";
    progress(0, 500ms, 1e6);
    EXPECT_EQ(speed(0), "2.0 MB/s, 0:05 left");
    EXPECT_EQ(status(0), "Downloading... [Patience]");
    EXPECT_EQ(speed(1), "");
    // Nothing reported since: the rate falls, to nothing once a window has passed.
    downloads->tick(t0 + 500ms + Downloads::stallAfter);
    EXPECT_EQ(speed(0), "667 kB/s, 0:14 left");
    downloads->tick(t0 + 5s);
    EXPECT_EQ(speed(0), "0 B/s");

    // Running: cancel asks its job to stop; retry waits for the end.
    const int next = downloads->getNextId();
    downloads->retry(0);
    EXPECT_EQ(downloads->getNextId(), next);
    downloads->cancel(0);
    EXPECT_TRUE(kept[0]->cancelled());
    report(0, {"done", "Cancelled."});
    EXPECT_EQ(a->outcome, Outcome::Cancelled);
    EXPECT_EQ(status(0), "Cancelled.");
    EXPECT_EQ(speed(0), "");
    progress(0, 6s, 2e6);
    EXPECT_EQ(speed(0), "") << "a report drained after the end";

    // Ended well: neither cancel nor retry does anything.
    downloads->cancel(1);
    downloads->retry(1);
    EXPECT_FALSE(kept[1]->cancelled());
    EXPECT_EQ(downloads->getNextId(), next);
    EXPECT_EQ(downloads->item(1)->outcome, Outcome::Done);

    // Retried: same page, title and row, the quality of now, a fresh token and id.
    ASSERT_TRUE(settings->parseLine("quality;1"));
    downloads->retry(0);
    ASSERT_EQ(kept.size(), 3u);
    const core& again = *kept[2];
    EXPECT_EQ(again.pageUrl, "http://127.0.0.1:1/a");
    EXPECT_EQ(again.fileTitle, "A");
    EXPECT_EQ(again.quality, 1);
    EXPECT_FALSE(again.conversionOnly);
    EXPECT_EQ(again.jobId, next);
    EXPECT_EQ(downloads->item(0), nullptr);
    EXPECT_EQ(downloads->item(next), a);
    EXPECT_EQ(a->listID, 0);
    EXPECT_FALSE(again.cancelled());
    EXPECT_EQ(again.cancelToken, a->cancel);
    EXPECT_EQ(status(0), "processing...");
    EXPECT_EQ(a->outcome, Outcome::Running);
    EXPECT_FALSE(a->complete());
    EXPECT_EQ(ListView::rowCount(transfers), 2);
    // Measured afresh: nothing of the first job's bytes counts.
    progress(next, 7s, 0);
    progress(next, 7500ms, 4e6);
    EXPECT_EQ(speed(0), "8.0 MB/s, 0:01 left");

    // A failure told text first or "done" first ends the same.
    report(next, {"setflv", "Error: Could not save movie.", "done"});
    EXPECT_EQ(speed(0), "");
    EXPECT_EQ(a->outcome, Outcome::Failed);
    EXPECT_TRUE(a->canRetry());

    // Its id now sorts after the row below it: clearing that row keeps it in row 0.
    downloads->clearItemFromView(1);
    EXPECT_EQ(a->listID, 0);
    downloads->retry(0);
    ASSERT_EQ(kept.size(), 4u);
    report(kept[3]->jobId, {"setflv", "Download Complete!", "done"});
    EXPECT_EQ(status(0), "Download Complete!");
    EXPECT_EQ(a->outcome, Outcome::Done);
    EXPECT_EQ(a->getType(), "flv");
    EXPECT_TRUE(messages.isEmpty());
}

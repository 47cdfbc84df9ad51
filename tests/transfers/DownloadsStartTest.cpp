#include "TransfersFixture.h"

#include <QProgressBar>

#include <system_error>

TEST_F(TransfersTest, NewTransferGetsNextIdRowAndAnEmptyBar) {
    EXPECT_TRUE(downloads->download("http://127.0.0.1:1/a", "First"));
    EXPECT_TRUE(downloads->download("http://127.0.0.1:1/b", "Second"));

    ASSERT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_EQ(downloads->getRowCount(), 2);
    EXPECT_EQ(downloads->getNextId(), 2);
    for (int id : {0, 1}) {
        DownloadItems* record = downloads->item(id);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->listID, id);
        EXPECT_EQ(record->getStatus(), "processing...");
        EXPECT_EQ(record->getType(), "");
        EXPECT_FALSE(record->complete());
        EXPECT_FALSE(record->converted());
        EXPECT_EQ(status(id), "processing...");
        EXPECT_EQ(ListView::cellText(transfers, id, 1), "");
        QProgressBar* bar = barInRow(id);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar, record->pb.data());
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
    }
    EXPECT_EQ(title(0), "First");
    EXPECT_EQ(title(1), "Second");
}

TEST_F(TransfersTest, TitlesAreMadeUniqueWithinTheRun) {
    for (const char* t : {"T", "T", "T", "t", "U(1)", "U(1)", "", ""})
        downloads->download("http://127.0.0.1:1/w", t);

    const QStringList expected = {"T", "T(1)", "T(1)(1)", "t", "U(1)", "U(1)(1)", "", "(1)"};
    ASSERT_EQ(ListView::rowCount(transfers), expected.size());
    for (int row = 0; row < expected.size(); ++row) {
        EXPECT_EQ(title(row), expected[row]) << row;
        EXPECT_EQ(wide(downloads->item(row)->getTitle()), expected[row]);
        EXPECT_EQ(wide(kept[row]->fileTitle), expected[row]);
    }
}

TEST_F(TransfersTest, ClearedTitlesStayUsedAndRowsFollowRowCount) {
    for (int i = 0; i < 3; ++i)
        finishedTransfer("Same");
    downloads->clearItemFromView(0);
    downloads->clearItemFromView(0);

    downloads->download("http://127.0.0.1:1/w", "Same");
    DownloadItems* record = downloads->item(3);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->listID, 1);
    EXPECT_EQ(record->getTitle(), "Same(1)(1)(1)");
    EXPECT_EQ(downloads->getRowCount(), 2);
    EXPECT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_EQ(title(1), "Same(1)(1)(1)");
}

TEST_F(TransfersTest, JobTakesTheSettingsInForceWhenItStarts) {
    useFolders("/films/one", "/music/one");
    ASSERT_TRUE(settings->parseLine("quality;2"));
    ASSERT_TRUE(settings->parseLine("convert;0"));
    downloads->download("http://127.0.0.1:1/watch?v=1", "A");

    useFolders("/films/two", "/music/two");
    ASSERT_TRUE(settings->parseLine("quality;x"));
    ASSERT_TRUE(settings->parseLine("convert;1"));
    downloads->download("http://127.0.0.1:1/watch?v=2", "B");

    ASSERT_EQ(kept.size(), 2u);
    const core& first = *kept[0];
    EXPECT_EQ(first.pageUrl, "http://127.0.0.1:1/watch?v=1");
    EXPECT_EQ(first.fileTitle, "A");
    EXPECT_EQ(first.jobId, 0);
    EXPECT_EQ(first.moviePath, "/films/one");
    EXPECT_EQ(first.mp3Path, "/music/one");
    EXPECT_EQ(first.quality, 2);
    EXPECT_FALSE(first.convertToMp3);
    // The job reports onto the status channel and stops on its record's token.
    ASSERT_TRUE(first.sink);
    EXPECT_EQ(first.cancelToken, downloads->item(0)->cancel);
    first.status("Scraping URL...");
    first.progress(100, 40);
    EXPECT_EQ(Downloads::updates.front(), "0|Scraping URL...");
    EXPECT_EQ(Downloads::dls.front()->dwn, 40);

    const core& second = *kept[1];
    EXPECT_EQ(second.jobId, 1);
    EXPECT_EQ(second.moviePath, "/films/two");
    EXPECT_EQ(second.mp3Path, "/music/two");
    EXPECT_EQ(second.quality, 4);
    EXPECT_TRUE(second.convertToMp3);
}

TEST_F(TransfersTest, WorkerThatCannotStartIsReportedOnItsRow) {
    downloads->setWorkerStarter([](std::unique_ptr<core>) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_TRUE(downloads->download("http://127.0.0.1:1/w", "NoThread"));

    DownloadItems* record = downloads->item(0);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->complete());
    EXPECT_FALSE(record->converted());
    EXPECT_EQ(status(0), "Error: Could not start download.");

    // The next transfer still gets a fresh id, and the failed row can be cleared.
    keepJobs();
    downloads->download("http://127.0.0.1:1/w", "Next");
    EXPECT_EQ(downloads->item(1)->listID, 1);
    downloads->clearItemFromView(0);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(ListView::rowCount(transfers), 1);
    EXPECT_EQ(title(0), "Next");
}

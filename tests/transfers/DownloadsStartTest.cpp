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

// A row starts with the title made safe as a file name; the name a file
// actually took (a "(1)" when it was taken in the folder) follows from the
// job, for the movie in the row and the library, for the MP3 in the library.
TEST_F(TransfersTest, RowsShowTheNameTheFilesWereSavedUnder) {
    for (const char* t : {"T", "T", "AC/DC", ""})
        downloads->download("http://127.0.0.1:1/w", t);
    const QStringList asked = {"T", "T", "AC DC", "video"};
    ASSERT_EQ(ListView::rowCount(transfers), asked.size());
    for (int row = 0; row < asked.size(); ++row) {
        EXPECT_EQ(title(row), asked[row]) << row;
        EXPECT_EQ(wide(kept[row]->fileTitle), asked[row]) << row;
    }

    report(1, {"setflv", "saved:T(1).flv", "Download Complete!", "Converting to mp3...",
               "saved:T(1)(1).mp3", "setmp3", "done", "Complete! Thank you for using Quillmoth."});
    EXPECT_EQ(title(0), "T");
    EXPECT_EQ(title(1), "T(1)");
    EXPECT_EQ(downloads->item(1)->getTitle(), "T(1)");
    ASSERT_EQ(ListView::rowCount(library), 2);
    EXPECT_EQ(libraryRow(0).mid(0, 2), QStringList({"T(1)", "flv"}));
    EXPECT_EQ(libraryRow(1).mid(0, 2), QStringList({"T(1)(1)", "mp3"}));
}

TEST_F(TransfersTest, RowsFollowRowCountAfterClearing) {
    for (int i = 0; i < 3; ++i)
        finishedTransfer("Same");
    downloads->clearItemFromView(0);
    downloads->clearItemFromView(0);

    downloads->download("http://127.0.0.1:1/w", "Same");
    DownloadItems* record = downloads->item(3);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->listID, 1);
    EXPECT_EQ(downloads->getRowCount(), 2);
    EXPECT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_EQ(title(1), "Same");
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

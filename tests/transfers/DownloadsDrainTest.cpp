#include "TransfersFixture.h"

#include <QProgressBar>

#include <climits>

TEST_F(TransfersTest, EveryQueuedStatusAndProgressReportPerTick) {
    downloads->download("http://127.0.0.1:1/a", "A");
    downloads->download("http://127.0.0.1:1/b", "B");
    EXPECT_FALSE(downloads->tick());

    Downloads::cb(0, "Scraping URL...");
    Downloads::cb(1, "Scraping URL...");
    Downloads::cb2(0, 1000, 100);
    Downloads::cb2(1, 2000, 100);
    Downloads::cb2(0, 1000, 700);

    EXPECT_TRUE(downloads->tick());
    EXPECT_EQ(status(0), "Scraping URL...");
    EXPECT_EQ(status(1), "Scraping URL...");
    EXPECT_TRUE(Downloads::updates.empty());
    EXPECT_TRUE(Downloads::dls.empty());
    EXPECT_EQ(barInRow(0)->maximum(), 1000);
    EXPECT_EQ(barInRow(0)->value(), 700);
    EXPECT_EQ(barInRow(1)->maximum(), 2000);
    EXPECT_EQ(barInRow(1)->value(), 100);

    EXPECT_FALSE(downloads->tick());

    // A flood of texts is applied in bounded steps, in order.
    const std::size_t flood = Downloads::maxStatusesPerTick + 10;
    for (std::size_t i = 1; i <= flood; ++i)
        Downloads::cb(0, ("step " + std::to_string(i)).c_str());
    EXPECT_TRUE(downloads->tick());
    EXPECT_EQ(status(0), "step " + QString::number(Downloads::maxStatusesPerTick));
    EXPECT_EQ(Downloads::updates.size(), 10u);
    EXPECT_TRUE(downloads->tick());
    EXPECT_EQ(status(0), "step " + QString::number(flood));
    EXPECT_FALSE(downloads->tick());

    // A burst of reports moves a bar once, to the last of them.
    int changes = 0;
    QObject::connect(barInRow(0), &QProgressBar::valueChanged, [&] { ++changes; });
    for (int received = 1; received <= 1000; ++received)
        Downloads::cb2(0, 1000, received);
    EXPECT_TRUE(downloads->tick());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(barInRow(0)->value(), 1000);

    // Progress alone is work too.
    Downloads::cb2(1, 2000, 2000);
    EXPECT_TRUE(downloads->tick());
    EXPECT_EQ(barInRow(1)->value(), 2000);
}

TEST_F(TransfersTest, ControlWordsChangeTheRecordNeverTheStatusCell) {
    downloads->download("http://127.0.0.1:1/a", "A");
    report(0, {"Downloading... [Patience]", "setflv"});
    EXPECT_EQ(downloads->item(0)->getType(), "flv");
    report(0, {"setmp4", "setmp3"});
    EXPECT_EQ(downloads->item(0)->getType(), "mp4");
    EXPECT_TRUE(downloads->item(0)->converted());
    EXPECT_FALSE(downloads->item(0)->complete());
    report(0, {"done"});
    EXPECT_TRUE(downloads->item(0)->complete());
    EXPECT_EQ(status(0), "Downloading... [Patience]");
    EXPECT_EQ(ListView::rowCount(library), 0);

    // Near misses are ordinary texts.
    report(0, {"Done", "setmp4 ", "a|b"});
    EXPECT_EQ(status(0), "a|b");
    EXPECT_EQ(downloads->item(0)->getType(), "mp4");
}

TEST_F(TransfersTest, EndListenerHearsEachJobOnceWhateverOrderItsLastTextsCome) {
    std::vector<std::pair<std::string, DownloadItems::Outcome>> heard;
    downloads->setEndListener([&](const DownloadItems& record) {
        heard.emplace_back(record.getTitle() + ": " + record.shownStatus, record.outcome);
    });
    downloads->download("http://127.0.0.1:1/a", "A");
    downloads->download("http://127.0.0.1:1/b", "B");
    report(0, {"Download Complete!"});
    EXPECT_TRUE(heard.empty());
    report(0, {"done"});
    report(1, {"done"});
    EXPECT_EQ(heard.size(), 1u);
    report(1, {"Error: Could not write to the movie folder."});
    report(0, {"done"});

    using Outcome = DownloadItems::Outcome;
    const decltype(heard) expected = {
        {"A: Download Complete!", Outcome::Done},
        {"B: Error: Could not write to the movie folder.", Outcome::Failed}};
    EXPECT_EQ(heard, expected);
}

TEST_F(TransfersTest, CompletionTextsAddLibraryRows) {
    downloads->download("http://127.0.0.1:1/a", "Plain");
    downloads->download("http://127.0.0.1:1/b", "Converted");
    report(0, {"setflv", "Download Complete!", "done"});
    EXPECT_EQ(status(0), "Download Complete!");
    report(1, {"setmp4", "Download Complete!", "Converting to mp3...", "setmp3", "done",
               "Complete! Thank you for using Quillmoth."});
    EXPECT_EQ(status(1), "Complete! Thank you for using Quillmoth.");

    // With the folder each file went to, as rows listed from disk have it.
    const QString movies = wide(settings->getMoviePath());
    const QString music = wide(settings->getMp3Path());
    ASSERT_EQ(ListView::rowCount(library), 3);
    EXPECT_EQ(libraryRow(0), QStringList({"Plain", "flv", movies}));
    EXPECT_EQ(libraryRow(1), QStringList({"Converted", "mp4", movies}));
    EXPECT_EQ(libraryRow(2), QStringList({"Converted", "mp3", music}));

    // Converted automatically: a request is refused.
    downloads->convert(1);
    EXPECT_EQ(messages, QStringList({"This item has already been converted."}));
}

TEST_F(TransfersTest, ReportsForClearedRowsAreDropped) {
    finishedTransfer("Gone");
    downloads->download("http://127.0.0.1:1/b", "Stays");
    downloads->clearItemFromView(0);
    ASSERT_EQ(ListView::rowCount(transfers), 1);
    const int libraryRows = ListView::rowCount(library);

    // What a job may still say after its "done".
    Downloads::cb(0, "Error: Could not save movie.");
    Downloads::cb(0, "done");
    Downloads::cb(0, "Complete! Thank you for using Quillmoth.");
    Downloads::cb(0, "Download Complete!");
    Downloads::cb2(0, 100, 50);
    tickAll();

    EXPECT_EQ(downloads->item(0), nullptr);
    EXPECT_EQ(ListView::rowCount(transfers), 1);
    EXPECT_EQ(status(0), "processing...");
    EXPECT_EQ(barInRow(0)->value(), 0);
    EXPECT_EQ(ListView::rowCount(library), libraryRows);
    EXPECT_EQ(downloads->getRowCount(), 1);

    // Ids never seen at all are dropped the same way.
    Downloads::cb(42, "Download Complete!");
    Downloads::cb2(-1, 10, 5);
    tickAll();
    EXPECT_EQ(downloads->item(42), nullptr);
    EXPECT_EQ(ListView::rowCount(library), libraryRows);
}

TEST_F(TransfersTest, BarAlwaysHoldsItsValue) {
    downloads->download("http://127.0.0.1:1/a", "A");
    QProgressBar* bar = barInRow(0);

    Downloads::cb2(0, 0, 0);
    downloads->tick();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 0);

    // Bytes arriving with no known total: a busy bar, not a value past the end.
    Downloads::cb2(0, 0, 5000);
    downloads->tick();
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_GE(bar->value(), bar->minimum());
    EXPECT_LE(bar->value(), bar->maximum());

    const double sixGiB = 6.0 * 1024 * 1024 * 1024;
    Downloads::cb2(0, sixGiB, sixGiB / 2);
    downloads->tick();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_NEAR(double(bar->value()) / bar->maximum(), 0.5, 1e-6);

    Downloads::cb2(0, sixGiB, sixGiB);
    downloads->tick();
    EXPECT_EQ(bar->value(), bar->maximum());
}

#include "TransfersFixture.h"

#include "FixtureServer.h"
#include "TestFiles.h"

#include <QProgressBar>

#include <chrono>
#include <string>
#include <vector>

using testfiles::listFolder;
using testfiles::readFile;
using testfiles::writeFile;
using Outcome = DownloadItems::Outcome;
using Names = std::vector<std::string>;

class TransferJobTest : public RealJobsTest {
protected:
    // A watch page whose every stream is the one at streamPath.
    void page(const std::string& path, const std::string& streamPath) {
        server.watchPage(path, "Ignored",
                         {{"5", server.url(streamPath)}, {"34", server.url(streamPath)}});
    }

    // Drains until the row's bar shows a first byte received (its temporary
    // file exists then).
    bool drainUntilReceiving(int row) {
        return drainUntil([&] {
            QProgressBar* bar = barInRow(row);
            return bar && bar->maximum() > 0 && bar->value() > 0;
        });
    }

    FixtureServer server;
};

TEST_F(TransferJobTest, DownloadEndsInTheListsAndOnDisk) {
    const std::string movie = testBytes(300 * 1024);
    server.stream("/movie", movie);
    page("/watch", "/movie");

    downloads->download(server.url("/watch"), "Fixture Clip");
    ASSERT_TRUE(drainUntilRowEnded(0));

    const DownloadItems* record = downloads->item(0);
    EXPECT_EQ(record->getType(), "flv");
    EXPECT_FALSE(record->converted());
    EXPECT_EQ(record->outcome, Outcome::Done);
    EXPECT_EQ(status(0), "Download Complete!");
    ASSERT_EQ(ListView::rowCount(library), 1);
    EXPECT_EQ(libraryRow(0), QStringList({"Fixture Clip", "flv", wide(movies)}));
    EXPECT_EQ(readFile(movies + "/Fixture Clip.flv"), movie);
    QProgressBar* bar = barInRow(0);
    EXPECT_EQ(bar->maximum(), static_cast<int>(movie.size()));
    EXPECT_EQ(bar->value(), bar->maximum());

    // The same title again: the earlier file stays, and row and library
    // show the name the new one took.
    downloads->download(server.url("/watch"), "Fixture Clip");
    ASSERT_TRUE(drainUntilRowEnded(1));
    EXPECT_EQ(title(1), "Fixture Clip(1)");
    ASSERT_EQ(ListView::rowCount(library), 2);
    EXPECT_EQ(libraryRow(1), QStringList({"Fixture Clip(1)", "flv", wide(movies)}));
    EXPECT_EQ(listFolder(movies), (Names{"Fixture Clip(1).flv", "Fixture Clip.flv"}));
    EXPECT_EQ(readFile(movies + "/Fixture Clip.flv"), movie);
}

TEST_F(TransferJobTest, CancelStopsAStalledTransferAndKeepsTheEarlierFile) {
    writeFile(movies + "/Stalled.flv", "earlier movie");
    server.stall("/stall", "F");
    page("/watch", "/stall");

    downloads->download(server.url("/watch"), "Stalled");
    ASSERT_TRUE(drainUntilReceiving(0));
    // The transfer's own temporary file beside the earlier movie.
    ASSERT_EQ(listFolder(movies).size(), 2u);

    downloads->cancel(0);
    ASSERT_TRUE(drainUntilRowEnded(0));

    EXPECT_EQ(status(0), "Cancelled.");
    EXPECT_EQ(downloads->item(0)->outcome, Outcome::Cancelled);
    EXPECT_EQ(listFolder(movies), Names{"Stalled.flv"});
    EXPECT_EQ(readFile(movies + "/Stalled.flv"), "earlier movie");
    EXPECT_EQ(ListView::rowCount(library), 0);

    // An ended row has nothing to cancel; it may go.
    downloads->cancel(0);
    EXPECT_EQ(status(0), "Cancelled.");
    EXPECT_TRUE(messages.isEmpty());
    downloads->clearItemFromView(0);
    EXPECT_EQ(ListView::rowCount(transfers), 0);
}

TEST_F(TransferJobTest, RetryAfterAFailureEndsInTheSameRow) {
    server.error("/movie", 404);
    page("/watch", "/movie");
    downloads->download(server.url("/watch"), "Second Try");
    ASSERT_TRUE(drainUntilRowEnded(0));
    ASSERT_EQ(status(0), "Error: Could not save movie.");
    EXPECT_EQ(downloads->item(0)->outcome, Outcome::Failed);

    const std::string movie = testBytes(200 * 1024, 7);
    server.stream("/movie", movie);
    downloads->retry(0);

    const DownloadItems* record = downloads->itemAtRow(0);
    ASSERT_NE(record, nullptr);
    EXPECT_NE(record->id, 0);
    EXPECT_EQ(downloads->item(0), nullptr);
    EXPECT_EQ(status(0), "processing...");
    EXPECT_EQ(barInRow(0)->maximum(), 100);
    EXPECT_EQ(barInRow(0)->value(), 0);
    // What the first job might still say reaches no row.
    Downloads::cb(0, "done");
    Downloads::cb(0, "Error: Could not save movie.");
    Downloads::cb2(0, 10, 10);

    ASSERT_TRUE(drainUntilRowEnded(0));
    EXPECT_EQ(status(0), "Download Complete!");
    EXPECT_EQ(record->outcome, Outcome::Done);
    EXPECT_EQ(ListView::rowCount(transfers), 1);
    EXPECT_EQ(title(0), "Second Try");
    EXPECT_EQ(barInRow(0)->maximum(), static_cast<int>(movie.size()));
    EXPECT_EQ(readFile(movies + "/Second Try.flv"), movie);
    EXPECT_EQ(listFolder(movies), Names{"Second Try.flv"});
    ASSERT_EQ(ListView::rowCount(library), 1);
    EXPECT_EQ(libraryRow(0), QStringList({"Second Try", "flv", wide(movies)}));
    EXPECT_EQ(server.hits("/watch"), 2);

    // A transfer that ended well is not started again.
    const int next = downloads->getNextId();
    downloads->retry(0);
    EXPECT_EQ(downloads->getNextId(), next);
    EXPECT_EQ(server.hits("/watch"), 2);
}

TEST_F(TransferJobTest, CancelAllThenWaitForWorkersLeavesNothingBehind) {
    const int count = 3;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        server.stall("/stall" + n, "F");
        page("/watch" + n, "/stall" + n);
        downloads->download(server.url("/watch" + n), "Stalled " + n);
    }
    for (int row = 0; row < count; ++row)
        ASSERT_TRUE(drainUntilReceiving(row)) << row;
    ASSERT_EQ(listFolder(movies).size(), static_cast<std::size_t>(count));
    EXPECT_FALSE(downloads->waitForWorkers(std::chrono::milliseconds(0)));

    downloads->cancelAll();
    EXPECT_TRUE(downloads->waitForWorkers(std::chrono::seconds(20)));

    EXPECT_TRUE(listFolder(movies).empty());
    for (int row = 0; row < count; ++row) {
        ASSERT_TRUE(drainUntilRowEnded(row)) << row;
        EXPECT_EQ(status(row), "Cancelled.");
    }
}

#include "TransfersFixture.h"

#include "FixtureServer.h"
#include "ProcessRunner.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

using testfiles::readFile;

class TransferJobTest : public RealJobsTest {
protected:
    // Drains like the window's timer until the transfer's job has ended with
    // the given last text. The limit only keeps a broken job from hanging the run.
    void runUntilComplete(int id, const QString& lastText) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < giveUp) {
            const bool worked = downloads->tick();
            QCoreApplication::processEvents();
            const DownloadItems* record = downloads->item(id);
            if (record && record->complete() &&
                (status(record->listID) == lastText ||
                 status(record->listID).startsWith("Error: ")) &&
                Downloads::updates.empty() && Downloads::dls.empty())
                return;
            if (!worked)
                QThread::msleep(10);
        }
        FAIL() << "the transfer never completed; status: " << status(0).toStdString();
    }

    FixtureServer server;
};

TEST_F(TransferJobTest, DownloadEndsInTheListsAndOnDisk) {
    const std::string movie = testBytes(300 * 1024);
    server.stream("/movie", movie);
    server.watchPage("/watch", "Ignored",
                     {{"5", server.url("/movie")}, {"34", server.url("/movie")}});

    downloads->download(server.url("/watch"), "Fixture Clip");
    runUntilComplete(0, "Download Complete!");

    const DownloadItems* record = downloads->item(0);
    EXPECT_EQ(record->getType(), "flv");
    EXPECT_FALSE(record->converted());
    EXPECT_EQ(status(0), "Download Complete!");
    ASSERT_EQ(ListView::rowCount(library), 1);
    EXPECT_EQ(libraryRow(0), QStringList({"Fixture Clip", "flv"}));
    EXPECT_EQ(readFile(Settings::moviePath + "/Fixture Clip.flv"), movie);
    QProgressBar* bar = barInRow(0);
    EXPECT_EQ(bar->maximum(), static_cast<int>(movie.size()));
    EXPECT_EQ(bar->value(), bar->maximum());
}

#include "TransfersFixture.h"

#include "FixtureServer.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <utility>

namespace {

using testfiles::listFolder;
using testfiles::readFile;

const QString Complete = "Download Complete!";
const QString SaveFailed = "Error: Could not save movie.";

enum class Stream { Sized, Chunked, Dropped, Stalled };

struct Transfer {
    std::string title;
    Stream stream;
    std::size_t size;      // the body announced or sent
    std::size_t sent = 0;  // Dropped: bytes sent before the connection goes
    std::string savedAs{}; // filled in: the title the transfer got
};

bool good(const Transfer& t) {
    return t.stream == Stream::Sized || t.stream == Stream::Chunked;
}

// A fixed first byte: no container signature and nothing like a web page,
// so every good body is a movie saved as .flv.
std::string movieBytes(std::size_t n, unsigned seed) {
    std::string bytes = testBytes(n, seed);
    // A lone printable byte would be text, which is no movie.
    if (!bytes.empty())
        bytes[0] = n == 1 ? '\x01' : 'M';
    return bytes;
}

constexpr std::size_t KiB = 1024;
constexpr std::size_t MiB = 1024 * KiB;

} // namespace

// Many real jobs at once through the window's Downloads, with failing
// streams among the good ones.
class DownloadsLoadTest : public RealJobsTest {
protected:
    void SetUp() override {
        RealJobsTest::SetUp();
        savedStallSeconds = core::stallSeconds;
        core::stallSeconds = 3;
    }

    void TearDown() override {
        core::stallSeconds = savedStallSeconds;
        RealJobsTest::TearDown();
    }

    // Its record is complete and its row shows a last text.
    bool ended(int id) const {
        const DownloadItems* record = downloads->item(id);
        if (!record || !record->complete())
            return false;
        const QString text = status(record->listID);
        return text == Complete || text.startsWith("Error: ");
    }

    // Drains like the window's timer until nothing is queued and every
    // transfer has ended. The bound only keeps a lost report from hanging the run.
    bool drainUntilEnded(int count) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < giveUp) {
            const bool worked = downloads->tick();
            QCoreApplication::processEvents();
            if (worked)
                continue;
            int open = 0;
            for (int id = 0; id < count; ++id)
                open += ended(id) ? 0 : 1;
            if (open == 0)
                return true;
            QThread::msleep(5);
        }
        return false;
    }

    // A thread for every request at once: a stall holds its thread until the
    // server stops, and a request left queued would look stalled to the client.
    FixtureServer server{64};
    long savedStallSeconds = 30;
};

TEST_F(DownloadsLoadTest, ThirtyTwoTransfersEndInTheirRowsAndOnDisk) {
    // Kinds interleaved so that failures end while good streams are running.
    std::vector<Transfer> transfers = {
        {"Big Sized A", Stream::Sized, 3 * MiB},
        {"Dropped At Start", Stream::Dropped, 100 * KiB, 0},
        {"Small Chunked", Stream::Chunked, 16 * KiB},
        {"Stalled Silent", Stream::Stalled, 0},
        {"One Byte", Stream::Sized, 1},
        {"Big Chunked", Stream::Chunked, 3 * MiB + 123},
        {"Dropped After One", Stream::Dropped, 50 * KiB, 1},
        {"Medium Sized", Stream::Sized, 300 * KiB},
        {"Twin", Stream::Sized, 200 * KiB},
        {"Twin", Stream::Dropped, 200 * KiB, 100 * KiB},
        {"Chunk And One", Stream::Chunked, 16 * KiB + 1},
        {"Stalled After A Byte", Stream::Stalled, 1},
        {"Big Sized B", Stream::Sized, 4 * MiB + 7},
        {"Kilobyte", Stream::Sized, 1000},
        {"Dropped Midway", Stream::Dropped, 3 * MiB, 1 * MiB},
        {"Chunked Medium", Stream::Chunked, 700 * KiB},
        {"Sized 64k", Stream::Sized, 64 * KiB},
        {"Stalled Silent Too", Stream::Stalled, 0},
        {"Chunked Tiny", Stream::Chunked, 17},
        {"Sized 1M", Stream::Sized, 1 * MiB},
        {"Dropped One Short", Stream::Dropped, 500 * KiB, 500 * KiB - 1},
        {"Chunked 1M", Stream::Chunked, 1 * MiB + 5},
        {"Sized 128k", Stream::Sized, 128 * KiB + 3},
        {"Stalled After A Byte Too", Stream::Stalled, 1},
        {"Sized 2M", Stream::Sized, 2 * MiB},
        {"Chunked 250k", Stream::Chunked, 250 * KiB},
        {"Dropped Early", Stream::Dropped, 2 * MiB, 64 * KiB},
        {"Sized 40k", Stream::Sized, 40 * KiB},
        {"Chunked 2M", Stream::Chunked, 2 * MiB + 1},
        {"Sized 500k", Stream::Sized, 500 * KiB},
        {"Chunked 90k", Stream::Chunked, 90 * KiB},
        {"Sized Last", Stream::Sized, 777 * KiB},
    };
    ASSERT_EQ(transfers.size(), 32u);

    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < transfers.size(); ++i) {
        const Transfer& t = transfers[i];
        const std::string n = std::to_string(i);
        const std::string path = "/stream" + n;
        bodies.push_back(movieBytes(t.size, static_cast<unsigned>(i + 1)));
        switch (t.stream) {
        case Stream::Sized:
        case Stream::Chunked:
            server.stream(path, bodies.back(), t.stream == Stream::Chunked);
            break;
        case Stream::Dropped:
            server.dropped(path, bodies.back(), t.sent);
            break;
        case Stream::Stalled:
            server.stall(path, bodies.back());
            break;
        }
        // Whichever entry the quality picks, it is this transfer's stream.
        server.watchPage("/watch" + n, "Ignored",
                         {{"5", server.url(path)}, {"34", server.url(path)}});
    }

    for (std::size_t i = 0; i < transfers.size(); ++i) {
        const int id = downloads->getNextId();
        downloads->download(server.url("/watch" + std::to_string(i)), transfers[i].title);
        ASSERT_EQ(id, static_cast<int>(i));
        transfers[i].savedAs = downloads->item(id)->getTitle();
    }

    if (!drainUntilEnded(static_cast<int>(transfers.size()))) {
        for (std::size_t i = 0; i < transfers.size(); ++i)
            if (!ended(static_cast<int>(i)))
                ADD_FAILURE() << transfers[i].savedAs << " never ended; its row shows \""
                              << status(static_cast<int>(i)).toStdString() << '"';
        FAIL() << "not every transfer ended";
    }

    std::vector<std::string> expectedFiles;
    QStringList expectedLibrary;
    for (std::size_t i = 0; i < transfers.size(); ++i) {
        const Transfer& t = transfers[i];
        SCOPED_TRACE(t.savedAs);
        const DownloadItems* record = downloads->item(static_cast<int>(i));
        ASSERT_NE(record, nullptr);
        const int row = record->listID;
        if (!good(t)) {
            EXPECT_EQ(status(row), SaveFailed);
            continue;
        }
        EXPECT_EQ(status(row), Complete);
        EXPECT_EQ(record->getType(), "flv");
        const std::string file = t.savedAs + ".flv";
        expectedFiles.push_back(file);
        expectedLibrary << QString::fromStdString(t.savedAs + "|flv|" + movies);
        // Not EXPECT_EQ: a mismatch would print megabytes.
        const std::string saved = readFile(movies + "/" + file);
        EXPECT_EQ(saved.size(), bodies[i].size());
        EXPECT_TRUE(saved == bodies[i]) << file << " differs from what was served";

        QProgressBar* bar = barInRow(row);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->value(), bar->maximum());
        if (t.stream == Stream::Sized) {
            EXPECT_EQ(bar->maximum(), static_cast<int>(t.size));
        }
    }

    // One library row per good transfer, none for a failed one.
    QStringList shown;
    for (int row = 0; row < ListView::rowCount(library); ++row)
        shown << libraryRow(row).join('|');
    shown.sort();
    expectedLibrary.sort();
    EXPECT_EQ(shown, expectedLibrary);

    // Exactly the good movies: no temporary file of any name, no partial movie.
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(listFolder(movies), expectedFiles);
    EXPECT_TRUE(listFolder(music).empty());
}

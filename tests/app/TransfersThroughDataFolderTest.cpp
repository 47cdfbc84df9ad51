// Whole transfers through a DataFolder: real jobs on its runner, their events
// back on the window's thread as queued calls, the list kept in
// transfers.sqlite across restarts.
#include "DataFolderFixture.h"

#include "FixtureServer.h"
#include "MessageBox.h"
#include "ScopedPath.h"
#include "TestFiles.h"
#include "ToolRun.h"
#include "TransferHistory.h"
#include "WorkRunner.h"
#include "gui/ScopedDataHome.h"

#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

using testfiles::listFolder;
using testfiles::readFile;
using testfiles::writeFile;
using Names = std::vector<std::string>;
using State = TransferState;

constexpr std::size_t KiB = 1024;
constexpr std::size_t MiB = 1024 * KiB;

// A fixed first byte: no container signature and nothing like a web page,
// so every good body is a movie saved as .flv.
std::string movieBytes(std::size_t n, unsigned seed) {
    std::string bytes = testBytes(n, seed);
    if (!bytes.empty())
        bytes[0] = n == 1 ? '\x01' : 'M';
    return bytes;
}

// Names in a folder that are not part files kept for a later try.
Names finishedFiles(const std::string& folder) {
    Names names = listFolder(folder);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) { return n.ends_with(".part"); }),
                names.end());
    return names;
}

class TransfersThroughDataFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        MessageBox::setSink([this](const QString& text) { messages << text; });
        movies = home.path().toStdString() + "/movies";
        music = home.path().toStdString() + "/music";
        std::filesystem::create_directories(movies);
        std::filesystem::create_directories(music);
        start();
        transfers->useFolders(movies, music);
    }
    void TearDown() override {
        transfers.reset();
        MessageBox::setSink({});
    }

    // Opens the data folder anew, as a new run does.
    void start() {
        transfers.reset();
        transfers = std::make_unique<OpenDataFolder>();
    }
    // A watch page whose every stream is the one at streamPath.
    void page(const std::string& path, const std::string& streamPath) {
        server.watchPage(path, "Ignored",
                         {{"5", server.url(streamPath)}, {"34", server.url(streamPath)}});
    }

    ScopedDataHome home;
    // A thread for every request at once: a stall holds its thread until the
    // server stops, and a request left queued would look stalled to the client.
    FixtureServer server{64};
    std::string movies, music;
    std::unique_ptr<OpenDataFolder> transfers;
    QStringList messages;
};

} // namespace

TEST_F(TransfersThroughDataFolder, DownloadEndsInItsRowTheLibraryAndOnDisk) {
    OpenDataFolder& t = *transfers;
    const std::string movie = testBytes(300 * 1024);
    server.stream("/movie", movie);
    page("/watch", "/movie");

    t.folder->download(server.url("/watch"), "Fixture Clip");
    ASSERT_TRUE(t.waitUntilEnded(0)) << t.status(0).toStdString();
    EXPECT_EQ(t.record(0).state, State::Done);
    EXPECT_EQ(t.status(0), "Download Complete!");
    EXPECT_EQ(t.record(0).type, "flv");
    ASSERT_EQ(t.library().rowCount(), 1);
    EXPECT_EQ(t.libraryRow(0),
              QStringList({"Fixture Clip", "flv", QString::fromStdString(movies)}));
    EXPECT_TRUE(readFile(movies + "/Fixture Clip.flv") == movie);
    const TransferModel& model = t.folder->transferModel();
    const auto bar =
        model.data(model.index(0, TransferModel::ProgressColumn), TransferModel::ProgressRole)
            .value<ProgressScale>();
    EXPECT_EQ(bar.maximum, static_cast<int>(movie.size()));
    EXPECT_EQ(bar.value, bar.maximum);

    // The same title again: the earlier file stays; the row keeps its title
    // and the library shows the name the new file took.
    t.folder->download(server.url("/watch"), "Fixture Clip");
    ASSERT_TRUE(t.waitUntilEnded(1));
    EXPECT_EQ(t.cell(1, TransferModel::TitleColumn), "Fixture Clip");
    EXPECT_EQ(t.record(1).moviePath, movies + "/Fixture Clip(1).flv");
    ASSERT_EQ(t.library().rowCount(), 2);
    EXPECT_EQ(t.libraryRow(1),
              QStringList({"Fixture Clip(1)", "flv", QString::fromStdString(movies)}));
    EXPECT_EQ(listFolder(movies), (Names{"Fixture Clip(1).flv", "Fixture Clip.flv"}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TransfersThroughDataFolder, CancelKeepsTheEarlierFileAndRetryEndsInTheSameRow) {
    OpenDataFolder& t = *transfers;
    writeFile(movies + "/Stalled.flv", "earlier movie");
    server.stall("/stall", "F");
    page("/watch", "/stall");

    t.folder->download(server.url("/watch"), "Stalled");
    ASSERT_TRUE(t.waitFor([&] { return t.record(0).received > 0; })) << t.status(0).toStdString();
    // The transfer's own part file beside the earlier movie.
    EXPECT_EQ(listFolder(movies).size(), 2u);

    t.folder->cancel({t.id(0)});
    EXPECT_EQ(t.status(0), "Cancelled.");
    ASSERT_TRUE(t.folder->workRunner().waitUntilNone(std::chrono::seconds(20)));
    ASSERT_TRUE(t.waitFor([&] { return listFolder(movies) == Names{"Stalled.flv"}; }));
    EXPECT_EQ(readFile(movies + "/Stalled.flv"), "earlier movie");
    EXPECT_EQ(t.record(0).state, State::Cancelled);
    EXPECT_EQ(t.library().rowCount(), 0);

    // Retried once the stream works: the same row ends well.
    const std::string movie = testBytes(200 * 1024, 7);
    server.stream("/stall", movie);
    t.folder->retry({t.id(0)});
    ASSERT_TRUE(t.waitUntilEnded(0));
    EXPECT_EQ(t.list().size(), 1u);
    EXPECT_EQ(t.status(0), "Download Complete!");
    EXPECT_EQ(t.cell(0, TransferModel::TitleColumn), "Stalled");
    EXPECT_EQ(t.record(0).moviePath, movies + "/Stalled(1).flv");
    EXPECT_TRUE(readFile(movies + "/Stalled(1).flv") == movie);
    EXPECT_EQ(readFile(movies + "/Stalled.flv"), "earlier movie");
    EXPECT_EQ(t.libraryRow(0), QStringList({"Stalled(1)", "flv", QString::fromStdString(movies)}));
    EXPECT_EQ(server.hits("/watch"), 2);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TransfersThroughDataFolder, ConvertOnRequestRunsOnAWorkerWhileTheWindowGoesOn) {
    OpenDataFolder& t = *transfers;
    // Long enough that encoding takes a while.
    const std::string clip = home.path().toStdString() + "/clip.mp4";
    ASSERT_TRUE(makeClip(
        {"-f", "lavfi", "-i", "sine=frequency=440:duration=60", "-c:a", "aac", "-f", "mp4"}, clip));
    server.stream("/movie", readFile(clip));
    page("/watch", "/movie");
    t.folder->download(server.url("/watch"), "Clip");
    ASSERT_TRUE(t.waitUntilEnded(0));
    ASSERT_EQ(t.record(0).moviePath, movies + "/Clip.mp4");
    EXPECT_FALSE(t.record(0).converted());

    // The window's thread keeps running its events while ffmpeg encodes:
    // here an ffmpeg held at its start until the window has shown that (or,
    // should the window be stuck, half a minute has passed).
    const std::string bin = home.path().toStdString() + "/bin";
    std::filesystem::create_directories(bin);
    const std::string started = bin + "/started", go = bin + "/go";
    const ScopedPath held(bin + ":" + std::getenv("PATH"));
    writeFile(bin + "/ffmpeg", "#!/bin/sh\n: > '" + started + "'\ni=0\nwhile [ ! -e '" + go +
                                   "' ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done\n"
                                   "PATH='" +
                                   held.previous() + "' exec ffmpeg \"$@\"\n");
    std::filesystem::permissions(bin + "/ffmpeg", std::filesystem::perms::owner_all);
    int ticksWhileConverting = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ticksWhileConverting +=
            t.record(0).state == State::Converting && std::filesystem::exists(started) ? 1 : 0;
    });
    timer.start(5);
    t.folder->convert({t.id(0)});
    EXPECT_TRUE(t.waitFor([&] { return ticksWhileConverting > 0; }));
    writeFile(go, "");
    ASSERT_TRUE(t.waitUntilEnded(0));
    timer.stop();

    EXPECT_EQ(t.record(0).state, State::Done);
    EXPECT_EQ(t.status(0), "Complete! Thank you for using Quillmoth.");
    EXPECT_TRUE(t.record(0).converted());
    EXPECT_EQ(listFolder(music), Names{"Clip.mp3"});
    ASSERT_EQ(t.library().rowCount(), 2);
    EXPECT_EQ(t.libraryRow(1), QStringList({"Clip", "mp3", QString::fromStdString(music)}));
    EXPECT_FALSE(t.folder->transferModel().applies(TransferModel::Action::Convert, 0));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TransfersThroughDataFolder, ThirtyTwoTransfersEndInTheirRowsAndOnDisk) {
    OpenDataFolder& t = *transfers;
    Settings eight = t.folder->settings();
    eight.maxRunning = 8;
    ASSERT_TRUE(t.folder->saveSettings(eight));

    enum class Stream { Sized, Chunked, Dropped, Stalled };
    struct Transfer {
        std::string title;
        Stream stream;
        std::size_t size;     // the body announced or sent
        std::size_t sent = 0; // Dropped: bytes sent before the connection goes
    };
    // Kinds interleaved so that failures end while good streams are running.
    const std::vector<Transfer> all = {
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
    ASSERT_EQ(all.size(), 32u);
    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Transfer& one = all[i];
        const std::string path = "/stream" + std::to_string(i);
        bodies.push_back(movieBytes(one.size, static_cast<unsigned>(i + 1)));
        switch (one.stream) {
        case Stream::Sized:
        case Stream::Chunked:
            server.stream(path, bodies.back(), one.stream == Stream::Chunked);
            break;
        case Stream::Dropped:
            server.dropped(path, bodies.back(), one.sent);
            break;
        case Stream::Stalled:
            // Dropped by the server after two seconds, long before the job's
            // own limit of thirty.
            server.stall(path, bodies.back(), 2);
            break;
        }
        page("/watch" + std::to_string(i), path);
    }

    // The queue: never more than eight at once, the rest waiting in order.
    int mostRunning = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { mostRunning = std::max(mostRunning, t.list().runningCount()); });
    sampler.start(5);
    for (std::size_t i = 0; i < all.size(); ++i)
        t.folder->download(server.url("/watch" + std::to_string(i)), all[i].title);
    EXPECT_EQ(t.list().queuedCount(), 24);
    const bool ended = t.waitFor(
        [&] {
            for (std::size_t row = 0; row < all.size(); ++row)
                if (!t.record(static_cast<int>(row)).ended())
                    return false;
            return true;
        },
        120000);
    sampler.stop();
    if (!ended) {
        for (std::size_t row = 0; row < all.size(); ++row)
            if (!t.record(static_cast<int>(row)).ended())
                ADD_FAILURE() << all[row].title << " never ended; its row shows \""
                              << t.status(static_cast<int>(row)).toStdString() << '"';
        FAIL() << "not every transfer ended";
    }
    EXPECT_LE(mostRunning, 8);
    EXPECT_GT(mostRunning, 1);

    Names expectedFiles;
    QStringList expectedLibrary;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const int row = static_cast<int>(i);
        const TransferRecord& record = t.record(row);
        SCOPED_TRACE(record.title);
        const bool good = all[i].stream == Stream::Sized || all[i].stream == Stream::Chunked;
        if (!good) {
            EXPECT_EQ(record.state, State::Failed);
            EXPECT_EQ(t.status(row), "Error: Could not save movie.");
            continue;
        }
        EXPECT_EQ(t.status(row), "Download Complete!");
        ASSERT_EQ(record.moviePath, movies + "/" + record.title + ".flv");
        expectedFiles.push_back(record.title + ".flv");
        expectedLibrary << QString::fromStdString(record.title + "|flv|" + movies);
        // Not EXPECT_EQ: a mismatch would print megabytes.
        const std::string saved = readFile(record.moviePath);
        EXPECT_EQ(saved.size(), bodies[i].size());
        EXPECT_TRUE(saved == bodies[i]) << record.moviePath << " differs from what was served";
    }

    // One library row per good transfer, none for a failed one.
    QStringList shown;
    for (int row = 0; row < t.library().rowCount(); ++row)
        shown << t.libraryRow(row).join('|');
    shown.sort();
    expectedLibrary.sort();
    EXPECT_EQ(shown, expectedLibrary);

    // Exactly the good movies, whole; what failed left at most its part file.
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(finishedFiles(movies), expectedFiles);
    EXPECT_TRUE(listFolder(music).empty());
}

TEST_F(TransfersThroughDataFolder, ARestartShowsTheHistoryAndContinuesWhatWasInterrupted) {
    const std::string movie = movieBytes(150 * KiB, 3);
    server.stream("/movie", movie);
    page("/watch", "/movie");
    server.stall("/stall", "F");
    page("/held", "/stall");
    writeFile(movies + "/Old Clip.flv", "old movie");

    TransferRecord old = historyRecord(1, State::Done, "Old Clip");
    old.movieFolder = movies;
    old.moviePath = movies + "/Old Clip.flv";
    old.status = Reason::Downloaded;
    TransferRecord held = historyRecord(2, State::Paused, "Held", server.url("/held"));
    held.movieFolder = movies;
    TransferRecord interrupted =
        historyRecord(3, State::Interrupted, "Resumed", server.url("/watch"));
    interrupted.movieFolder = movies;
    interrupted.musicFolder = music;
    TransferRecord failed = historyRecord(4, State::Failed, "Broken");
    failed.status = failed.error = Reason::SaveFailed;
    transfers.reset();
    keepHistory({old, held, interrupted, failed});
    start();
    OpenDataFolder& t = *transfers;

    // As they ended; the interrupted one continues by itself, the paused one waits.
    ASSERT_EQ(t.list().size(), 4u);
    EXPECT_EQ(t.status(0), "Download Complete!");
    EXPECT_EQ(t.status(3), "Error: Could not save movie.");
    ASSERT_TRUE(t.waitUntilEnded(2)) << t.status(2).toStdString();
    EXPECT_EQ(t.record(2).state, State::Done);
    EXPECT_TRUE(readFile(movies + "/Resumed.flv") == movie);
    EXPECT_EQ(t.libraryRow(0), QStringList({"Resumed", "flv", QString::fromStdString(movies)}));
    EXPECT_EQ(t.record(1).state, State::Paused);
    EXPECT_EQ(server.hits("/held"), 0);

    // A cleared row leaves the history; its file stays.
    t.folder->clear({t.id(0)});
    ASSERT_EQ(t.list().size(), 3u);
    start();
    ASSERT_EQ(transfers->list().size(), 3u);
    EXPECT_EQ(transfers->record(0).title, "Held");
    EXPECT_EQ(transfers->record(0).state, State::Paused);
    EXPECT_EQ(transfers->record(1).state, State::Done);
    EXPECT_EQ(readFile(movies + "/Old Clip.flv"), "old movie");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    // A file moved away meanwhile is looked for off the window's thread,
    // and its row says so once that is known.
    std::filesystem::rename(movies + "/Resumed.flv", movies + "/Moved.flv");
    transfers->folder->lookAtFiles({transfers->id(1)});
    EXPECT_TRUE(transfers->waitFor([&] { return transfers->list().filesGone(1); }));

    // A store that cannot be read is kept aside, said once, and started anew.
    transfers.reset();
    const std::string store = SettingsStore::userDataFolder() + "transfers.sqlite";
    std::filesystem::remove(store + "-wal");
    std::filesystem::remove(store + "-shm");
    writeFile(store, std::string(4096, 'x'));
    start();
    EXPECT_EQ(transfers->list().size(), 0u);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(std::filesystem::exists(store + ".bad"));
}

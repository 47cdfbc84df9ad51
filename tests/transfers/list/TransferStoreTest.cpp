#include "TransferStore.h"
#include "ProgressCoalescer.h"
#include "StoreMigration.h"
#include "StoreOpener.h"
#include "TempFolder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <tuple>

using testfiles::readFile;
using testfiles::writeFile;

namespace {

TransferRecord everyField(std::int64_t id) {
    TransferRecord r;
    r.id = id;
    r.state = TransferState::Interrupted;
    r.kind = TransferKind::Conversion;
    r.title = "Caf\xC3\xA9 'quoted' (1)";
    r.pageUrl = "http://localhost/watch?v=cafe&x=1";
    r.quality = 2;
    r.source = {SourceRef::Kind::JsonLd, "720p MP4", "http://localhost/media/720.mp4?sig=1"};
    r.movieFolder = "/m";
    r.musicFolder = "/n";
    r.convert = true;
    r.resume = {.partFile = "/m/Caf.7.part",
                .validator = "\"etag-1\"",
                .total = 8'000'000'000,
                .ranges = "bytes=0-99,4096-8191",
                .segments = {"sha256:1f2e", {"0-41,43-43", "", "0-12"}}};
    r.received = 5'000'000'000;
    r.total = 9'000'000'000;
    r.type = "mp4";
    r.fileTitle = "Caf 'quoted' (1)";
    r.moviePath = "/m/Caf.mp4";
    r.mp3Path = "/n/Caf.mp3";
    r.error = Reason::ConversionFailed;
    r.status = Reason::Converting;
    r.detail = "kept as it is";
    r.addedAt = 1'700'000'000;
    r.endedAt = 1'700'000'100;
    r.order = 12;
    return r;
}

// Every field, comparable and printable at once.
auto fields(const TransferRecord& r) {
    return std::tie(r.id, r.state, r.kind, r.title, r.fileTitle, r.pageUrl, r.quality,
                    r.movieFolder, r.musicFolder, r.convert, r.resume, r.received, r.total, r.type,
                    r.moviePath, r.mp3Path, r.error, r.status, r.detail, r.addedAt, r.endedAt,
                    r.source.kind, r.source.label, r.source.url, r.order);
}

// A store as the first version of the program left it, in WAL mode.
void writeFirstVersion(const std::string& path) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(
                  db,
                  "PRAGMA journal_mode=WAL; CREATE TABLE transfers (id INTEGER PRIMARY KEY,"
                  " state TEXT NOT NULL, kind TEXT NOT NULL, title TEXT, page_url TEXT,"
                  " quality INTEGER, movie_folder TEXT, music_folder TEXT, convert INTEGER,"
                  " part_file TEXT, validator TEXT, received INTEGER, total INTEGER, type TEXT,"
                  " movie_file TEXT, mp3_file TEXT, error TEXT, status TEXT, added_at INTEGER,"
                  " ended_at INTEGER);"
                  "INSERT INTO transfers (id, state, kind, title, movie_folder, music_folder,"
                  " movie_file, mp3_file, part_file, validator, total) VALUES"
                  " (4, 'done', 'download', 'Clip(1)', '/m', '/n/', 'Clip(1).flv', 'Clip(1).mp3',"
                  " '', '', 700),"
                  " (5, 'paused', 'download', 'Held', '/m', '/n', '', '', '/m/Held.5.part',"
                  " '\"v5\"', 9000);"
                  "PRAGMA user_version=1;",
                  nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
}

} // namespace

TEST(TransferStoreTest, KeepsEveryFieldAcrossRuns) {
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    {
        TransferStore store(path);
        EXPECT_EQ(store.takeMessage(), Reason::None);
        store.save(everyField(7));
        TransferRecord other = everyField(3);
        other.state = TransferState::Done;
        store.save(other);
        store.save(everyField(9));
        store.remove(9);
    }
    TransferStore again(path);
    const auto records = again.load();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].id, 3);
    EXPECT_EQ(records[0].state, TransferState::Done);
    EXPECT_EQ(fields(records[1]), fields(everyField(7)));
    // Larger than any id stored or handed out, even a removed one's later.
    EXPECT_EQ(again.newId(), 8);
    EXPECT_EQ(again.newId(), 9);
}

TEST(TransferStoreTest, KeepsADamagedFileAsideAndStartsAgain) {
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    // Not a database at all, then a database with a page overwritten.
    writeFile(path, std::string(8192, 'x'));
    writeFile(path + "-wal", "stale");
    for (int round = 0; round < 2; ++round) {
        const std::string damaged = readFile(path);
        {
            TransferStore store(path);
            EXPECT_EQ(store.takeMessage(), Reason::StoreDamaged);
            EXPECT_EQ(store.takeMessage(), Reason::None);
            EXPECT_TRUE(store.load().empty());
            for (int id = 1; id <= 200; ++id)
                store.save(everyField(id));
        }
        EXPECT_EQ(readFile(path + ".bad"), damaged);
        EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
        EXPECT_EQ(readFile(path + ".bad-wal") == "stale", round == 0);
        std::string bytes = readFile(path);
        ASSERT_GT(bytes.size(), 3 * 4096u);
        bytes.replace(2 * 4096, 4096, std::string(4096, '\xff'));
        writeFile(path, bytes);
    }
}

TEST(TransferStoreTest, LeavesANewerVersionUntouched) {
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const std::string sql = "CREATE TABLE future (x); PRAGMA user_version=" +
                                std::to_string(StoreMigration::latest() + 1);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const std::string before = readFile(path);
    {
        TransferStore store(path);
        EXPECT_EQ(store.takeMessage(), Reason::StoreNewer);
        EXPECT_TRUE(store.load().empty());
        store.save(everyField(1));
        store.flush();
        EXPECT_EQ(store.rowsWritten(), 0u);
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_FALSE(std::filesystem::exists(path + ".bad"));
}

// Each version's step runs once the store can be written, in a transaction
// of its own: a locked store is left as it was, with its rows.
TEST(TransferStoreTest, AnOlderStoreIsMigratedOnceItCanBeWritten) {
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    writeFirstVersion(path);
    sqlite3* holder = nullptr;
    sqlite3_open(path.c_str(), &holder);
    sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    EXPECT_EQ(TransferStore(path).takeMessage(), Reason::StoreUnusable);
    sqlite3_close(holder);

    TransferStore store(path);
    EXPECT_EQ(store.takeMessage(), Reason::None);
    const auto records = store.load();
    ASSERT_EQ(records.size(), 2u);
    // The saved name was the title: it serves as both; files become paths.
    EXPECT_EQ(records[0].title, "Clip(1)");
    EXPECT_EQ(records[0].fileTitle, "Clip(1)");
    EXPECT_EQ(records[0].moviePath, "/m/Clip(1).flv");
    EXPECT_EQ(records[0].mp3Path, "/n/Clip(1).mp3");
    EXPECT_EQ(records[1].state, TransferState::Paused);
    EXPECT_EQ(records[1].moviePath, "");
    // Older rows chose by quality: no source binds their resume; one
    // connection wrote their part files, continued from their size.
    EXPECT_TRUE(records[1].source.empty());
    EXPECT_EQ(records[1].resume,
              (ResumeState{.partFile = "/m/Held.5.part", .validator = "\"v5\"", .total = 9000}));
    EXPECT_EQ(records[0].resume, ResumeState()) << "no validator: nothing to continue";

    // The names earlier versions wrote are read as they meant.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "UPDATE transfers SET source_kind = 'stream-map', status = 'job-paused'"
                           " WHERE id = 5",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const TransferRecord held = TransferStore(path).load()[1];
    EXPECT_EQ(held.source.kind, SourceRef::Kind::StreamMap);
    EXPECT_EQ(held.status, Reason::Paused);
    // They stood in the order of their ids.
    EXPECT_EQ(records[1].order, 5);
}

// The English statuses earlier versions kept become reasons; a text that
// names none stays as the record's detail, to be shown as it is.
TEST(TransferStoreTest, StoredTextsBecomeReasons) {
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    writeFirstVersion(path);
    const std::string invalid = "Error: Invalid Title - Go back to search & change title. ";
    const std::string other = "Error: said by another build";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE transfers SET status = 'Download Complete!' WHERE id = 4;"
                            "UPDATE transfers SET status = 'Paused', error = '' WHERE id = 5;"
                            "INSERT INTO transfers (id, state, kind, status, error) VALUES"
                            " (6, 'failed', 'download', '" +
                            invalid + "', '" + invalid +
                            "'),"
                            " (7, 'failed', 'conversion', '" +
                            other + "', '" + other +
                            "'),"
                            " (8, 'cancelled', 'download', 'Cancelled.', NULL);";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    const auto records = TransferStore(path).load();
    ASSERT_EQ(records.size(), 5u);
    using Said = std::tuple<Reason, Reason, std::string>;
    const Said expected[] = {{Reason::Downloaded, Reason::None, ""},
                             {Reason::Paused, Reason::None, ""},
                             {Reason::InvalidTitle, Reason::InvalidTitle, ""},
                             {Reason::None, Reason::None, other},
                             {Reason::Cancelled, Reason::None, ""}};
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(Said(records[i].status, records[i].error, records[i].detail), expected[i])
            << records[i].id;
}

// Anything but a file where the store belongs (a FIFO would hold up the
// start for ever) is kept aside, said once, and a new store begun.
TEST(TransferStoreTest, AnythingButAFileIsKeptAside) {
    for (const bool fifo : {true, false}) {
        TempFolder dir;
        const std::string path = dir.file("transfers.sqlite");
        if (fifo)
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        else
            std::filesystem::create_directory(path);
        {
            TransferStore store(path);
            EXPECT_EQ(store.takeMessage(), Reason::StoreDamaged);
            store.save(everyField(1));
        }
        EXPECT_EQ(std::filesystem::status(path + ".bad").type(),
                  fifo ? std::filesystem::file_type::fifo : std::filesystem::file_type::directory);
        TransferStore again(path);
        EXPECT_EQ(again.takeMessage(), Reason::None);
        EXPECT_EQ(again.load().size(), 1u);
    }
}

TEST(TransferStoreTest, ProgressIsHeldToOneWriteASecondAndTheLatestCopyWins) {
    using namespace std::chrono_literals;
    ProgressCoalescer held;
    const auto t0 = ProgressCoalescer::Clock::time_point{} + 100s;
    TransferRecord r = everyField(1);
    r.received = 1;
    held.put(r, t0);
    ASSERT_EQ(held.takeDue(t0).size(), 1u);
    for (int step = 2; step <= 20; ++step) {
        r.received = step;
        held.put(r, t0 + step * 10ms);
    }
    EXPECT_TRUE(held.takeDue(t0 + 999ms).empty());
    EXPECT_EQ(*held.nextDue(), t0 + 1s);
    auto due = held.takeDue(t0 + 1s);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].received, 20);
    // A whole save carries newer data than a held copy.
    r.received = 21;
    held.put(r, t0 + 1100ms);
    held.drop(1);
    EXPECT_TRUE(held.takeAll(t0 + 3s).empty());

    // Through the store: many copies, few rows, the last one kept.
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    {
        TransferStore store(path);
        for (int step = 0; step <= 1000; ++step) {
            r.received = step;
            store.saveProgress(r);
        }
        store.flush();
        EXPECT_LE(store.rowsWritten(), 3u);
        EXPECT_EQ(store.load().at(0).received, 1000);
        // Held copies are written in their time without anyone asking, also
        // when the writer had gone idle.
        const auto before = store.rowsWritten();
        std::this_thread::sleep_for(50ms);
        store.saveProgress(r);
        for (int wait = 0; wait < 6000 && store.rowsWritten() == before; ++wait)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(store.rowsWritten(), before + 1);
    }
}

// What a full disk refused (saves, held progress, removes) is written with
// a later batch; the failure is told once.
TEST(TransferStoreTest, AFullDiskKeepsTheWritesForLaterAndSaysSoOnce) {
    TempFolder dir;
    const std::string path = dir.file("transfers.sqlite");
    int told = 0;
    Reason message = Reason::None;
    TransferRecord big = everyField(2);
    {
        TransferStore store(path);
        store.setFailureListener([&](Reason said) {
            ++told;
            message = said;
        });
        store.save(everyField(1));
        store.save(everyField(3));
        store.flush();
        store.limitPages(1);
        for (int i = 0; i < 5; ++i) {
            big.detail = std::string(64 * 1024, static_cast<char>('a' + i));
            store.save(big);
            big.received = i;
            store.saveProgress(big);
            store.flush();
        }
        store.remove(3);
        store.flush();
        EXPECT_EQ(told, 1);
        EXPECT_EQ(message, Reason::StoreDiskFull);
        EXPECT_EQ(TransferStore(path).load().size(), 2u);
        store.limitPages(1 << 20);
    }
    TransferStore again(path);
    const auto records = again.load();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(fields(records[0]), fields(everyField(1)));
    EXPECT_EQ(fields(records[1]), fields(big));
}

// For ThreadSanitizer: the window's thread hands over and waits while the
// store's thread writes; the store is all they share.
TEST(TransferStoreTest, WindowAndWriterThreadsShareOnlyTheStore) {
    TempFolder dir;
    TransferStore store(dir.file("transfers.sqlite"));
    TransferRecord r = everyField(1);
    for (int step = 0; step < 2000; ++step) {
        r.id = 1 + step % 8;
        r.received = step;
        store.saveProgress(r);
        if (step % 100 == 0) {
            store.save(r);
            store.flush();
        }
    }
    store.flush();
    const auto records = store.load();
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[7].received, 1999);
}

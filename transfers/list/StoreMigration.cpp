#include "StoreMigration.h"

#include "Reason.h"
#include "SqliteHandles.h"

#include <iterator>
#include <string>
#include <string_view>

namespace {

int exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// Version 1: one row per transfer, every field a column.
int createTransfers(sqlite3* db) {
    return exec(db, "CREATE TABLE IF NOT EXISTS transfers ("
                    "id INTEGER PRIMARY KEY, state TEXT NOT NULL, kind TEXT NOT NULL,"
                    " title TEXT, page_url TEXT, quality INTEGER,"
                    " movie_folder TEXT, music_folder TEXT, convert INTEGER,"
                    " part_file TEXT, validator TEXT, received INTEGER, total INTEGER,"
                    " type TEXT, movie_file TEXT, mp3_file TEXT, error TEXT,"
                    " status TEXT, added_at INTEGER, ended_at INTEGER)");
}

// Version 2: the title people read apart from the one files are named
// after, and saved files by their paths. Version 1 kept the saved name as
// the title, which serves as both.
int splitTitlesFromFiles(sqlite3* db) {
    return exec(db,
                "ALTER TABLE transfers ADD COLUMN file_title TEXT;"
                "UPDATE transfers SET file_title = title;"
                "ALTER TABLE transfers RENAME COLUMN movie_file TO movie_path;"
                "ALTER TABLE transfers RENAME COLUMN mp3_file TO mp3_path;"
                "UPDATE transfers SET movie_path = rtrim(movie_folder, '/') || '/' || movie_path"
                " WHERE movie_path <> '' AND coalesce(movie_folder, '') <> '';"
                "UPDATE transfers SET mp3_path = rtrim(music_folder, '/') || '/' || mp3_path"
                " WHERE mp3_path <> '' AND coalesce(music_folder, '') <> ''");
}

// The statuses and errors versions 1 and 2 kept as English texts, and the
// reasons they were.
struct OldText {
    const char* english;
    Reason reason;
};
constexpr OldText oldTexts[] = {
    {"Queued", Reason::Queued},
    {"Scraping URL...", Reason::ReadingPage},
    {"Initial response received!", Reason::PageReceived},
    {"Searching for download source...", Reason::SearchingStream},
    {"Found movie source!", Reason::StreamFound},
    {"Requesting connection to download movie...", Reason::Connecting},
    {"Downloading... [Patience]", Reason::Downloading},
    {"Download Complete!", Reason::Downloaded},
    {"Converting to mp3...", Reason::Converting},
    {"Complete! Thank you for using Quillmoth.", Reason::Converted},
    {"Paused", Reason::Paused},
    {"Paused.", Reason::Paused},
    {"Cancelled.", Reason::Cancelled},
    {"Interrupted", Reason::Interrupted},
    {"Error: Could not start download.", Reason::StartFailed},
    {"Error: Could not create request.", Reason::RequestFailed},
    {"Error: The page is too large.", Reason::PageTooLarge},
    {"Error: The page took too long to load.", Reason::PageTooSlow},
    {"Error: Could not make connection.", Reason::NoConnection},
    {"Error: Could not locate any movies to download.", Reason::NoStream},
    {"Error: Invalid Title - Go back to search & change title. ", Reason::InvalidTitle},
    {"Error: Could not write to the movie folder.", Reason::MovieFolderUnusable},
    {"Error: Could not save movie.", Reason::SaveFailed},
    {"Error: Could not save movie: every name for it is taken.", Reason::NamesTaken},
    {"Error: Could not convert to mp3.", Reason::ConversionFailed},
    {"Error: ffmpeg was not found. Install it (sudo apt install ffmpeg) and try again.",
     Reason::FfmpegMissing},
    {"Error: Could not write to the music folder.", Reason::MusicFolderUnusable},
};

// A temporary table of oldTexts, English to the reason's name.
int tableOldTexts(sqlite3* db) {
    int result = exec(db, "CREATE TEMP TABLE old_texts (english TEXT PRIMARY KEY, name TEXT)");
    sqlite3_stmt* raw = nullptr;
    if (result == SQLITE_OK)
        result = sqlite3_prepare_v2(db, "INSERT INTO old_texts VALUES (?, ?)", -1, &raw, nullptr);
    const SqliteStatement insert(raw);
    for (const OldText& old : oldTexts) {
        if (result != SQLITE_OK)
            break;
        const std::string_view name = reasonName(old.reason);
        sqlite3_bind_text(raw, 1, old.english, -1, SQLITE_STATIC);
        sqlite3_bind_text(raw, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        result = sqlite3_step(raw) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
        sqlite3_reset(raw);
    }
    return result;
}

// Version 3: a status or an error is a reason, kept by its name, no longer
// a text; a text that names no reason is kept as the record's detail.
int keepReasons(sqlite3* db) {
    const int result = tableOldTexts(db);
    if (result != SQLITE_OK)
        return result;
    return exec(db,
                "ALTER TABLE transfers ADD COLUMN detail TEXT;"
                "UPDATE transfers SET detail = status WHERE coalesce(status, '') <> ''"
                " AND status NOT IN (SELECT english FROM old_texts);"
                "UPDATE transfers SET detail = error WHERE detail IS NULL"
                " AND coalesce(error, '') <> '' AND error NOT IN (SELECT english FROM old_texts);"
                "UPDATE transfers SET"
                " status = coalesce((SELECT name FROM old_texts WHERE english = status), ''),"
                " error = coalesce((SELECT name FROM old_texts WHERE english = error), '');"
                "DROP TABLE old_texts");
}

// Version 4: the source a transfer saves, so that a resume finds the same
// one again: its kind, label and address. Older rows chose by quality.
int keepSources(sqlite3* db) {
    return exec(db, "ALTER TABLE transfers ADD COLUMN source_kind TEXT;"
                    "ALTER TABLE transfers ADD COLUMN source_label TEXT;"
                    "ALTER TABLE transfers ADD COLUMN source_url TEXT");
}

// Version 5: the bytes on disk of a part file that several connections
// write, to continue it from them rather than from its size. Older rows
// were written by one connection.
int keepRanges(sqlite3* db) {
    return exec(db, "ALTER TABLE transfers ADD COLUMN ranges TEXT");
}

// Version 6: what a part file holds as one value. Its total is its own,
// apart from the figure the row shows, and a stream fetched segment by
// segment keeps which of them are on disk, in which manifest. Older rows
// continued from the row's total when they had a validator.
int keepResumeStates(sqlite3* db) {
    return exec(db, "ALTER TABLE transfers ADD COLUMN resume_total INTEGER;"
                    "UPDATE transfers SET resume_total = total WHERE coalesce(validator, '') <> '';"
                    "ALTER TABLE transfers ADD COLUMN segments_manifest TEXT;"
                    "ALTER TABLE transfers ADD COLUMN segments_done TEXT");
}

// Version 7: each row's place in the list, which queued rows can change.
// Older rows stood in the order of their ids.
int keepListOrder(sqlite3* db) {
    return exec(db, "ALTER TABLE transfers ADD COLUMN list_order INTEGER;"
                    "UPDATE transfers SET list_order = id");
}

using Step = int (*)(sqlite3*);
// Step i brings a store of version i to version i + 1. A later schema is one
// more function here.
constexpr Step steps[] = {&createTransfers, &splitTitlesFromFiles, &keepReasons,
                          &keepSources,     &keepRanges,           &keepResumeStates,
                          &keepListOrder};

int storedVersion(sqlite3* db, int& version) {
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    if (result != SQLITE_OK)
        return result;
    result = sqlite3_step(statement);
    if (result == SQLITE_ROW) {
        version = sqlite3_column_int(statement, 0);
        result = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return result;
}

} // namespace

int StoreMigration::latest() {
    return static_cast<int>(std::size(steps));
}

int StoreMigration::migrate(sqlite3* db) {
    int version = 0;
    int result = storedVersion(db, version);
    if (result != SQLITE_OK)
        return result;
    if (version < 0 || version > latest())
        return SQLITE_MISMATCH;
    for (; version < latest(); ++version) {
        // The write lock first, so that no other writer sees half a step.
        result = exec(db, "BEGIN IMMEDIATE");
        if (result != SQLITE_OK)
            return result;
        result = steps[version](db);
        const std::string setVersion = "PRAGMA user_version=" + std::to_string(version + 1);
        if (result == SQLITE_OK)
            result = exec(db, setVersion.c_str());
        if (result == SQLITE_OK)
            result = exec(db, "COMMIT");
        if (result != SQLITE_OK) {
            if (!sqlite3_get_autocommit(db))
                exec(db, "ROLLBACK");
            return result;
        }
    }
    return SQLITE_OK;
}

#include "StoreMigration.h"

#include <iterator>
#include <string>

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

using Step = int (*)(sqlite3*);
// Step i brings a store of version i to version i + 1. A later schema is one
// more function here.
constexpr Step steps[] = {&createTransfers, &splitTitlesFromFiles};

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

#pragma once

#include "SqliteHandles.h"

#include <string>

// Opens transfers.sqlite for the store: checks what is there, keeps a
// damaged file aside with its WAL, leaves one of a newer version or a sound
// one it cannot use now (locked, disk full) as it is, and readies the
// connection (WAL, the records table, user_version). Runs before the
// store's thread starts.
class StoreOpener {
public:
    struct Opened {
        // Null when nothing is kept this run.
        SqliteDb db;
        // For the user, empty when all went well.
        std::string message;
    };

    static Opened open(const std::string& path, int version);

    static constexpr const char* damagedText =
        "The transfer list could not be read; it was kept as transfers.sqlite.bad and a new one "
        "started.";
    static constexpr const char* newerText =
        "The transfer list was written by a newer Quillmoth; it is left as it is and this "
        "session's transfers are not kept.";
    static constexpr const char* unusableText =
        "The transfer list could not be opened; this session's transfers are not kept.";

private:
    // Unusable: sound as far as is known, but not readable now (locked,
    // unreadable); kept as it is.
    enum class Found { Usable, Damaged, Newer, Unusable };
    // What is at path (which exists); db is open when Usable.
    static Found examine(const std::string& path, int version, SqliteDb& db);
    // user_version from the file's header, without sqlite; -1 when unreadable.
    static long headerVersion(const std::string& path);
    // Writes only what is missing, so a current store needs no write lock.
    static bool prepare(sqlite3* db, int version);
    // Moves path and its -wal/-shm aside as path.bad, path.bad-wal...
    static bool keepAside(const std::string& path);
};

#pragma once

#include "SqliteHandles.h"

#include <string>

// Opens transfers.sqlite for the store: checks what is there, keeps a
// damaged file aside, never touches one of a newer version, and readies the
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
    enum class Found { Usable, Damaged, Newer };
    // What is at path (which exists); db is open when Usable.
    static Found examine(const std::string& path, int version, SqliteDb& db);
    // user_version from the file's header, without sqlite; -1 when unreadable.
    static long headerVersion(const std::string& path);
    static bool prepare(sqlite3* db, int version);
};

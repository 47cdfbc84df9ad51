#pragma once

#include "base/Reason.h"
#include "transfers/list/SqliteHandles.h"

#include <string>

// Opens transfers.sqlite for the store: checks what is there, keeps a
// damaged file (or anything but a regular file) aside with its WAL, leaves
// one of a newer version or a sound one it cannot use now (locked, disk
// full) as it is, and readies the connection (WAL, the schema of now through
// StoreMigration). Runs before the store's thread starts.
class StoreOpener {
public:
    struct Opened {
        // Null when nothing is kept this run.
        SqliteDb db;
        // For the user: StoreDamaged, StoreNewer or StoreUnusable; None
        // when all went well.
        Reason message = Reason::None;
    };

    static Opened open(const std::string& path);

private:
    // Unusable: sound as far as is known, but not readable now (locked,
    // unreadable); kept as it is.
    enum class Found { Usable, Damaged, Newer, Unusable };
    // What is at path (which exists); db is open when Usable.
    static Found examine(const std::string& path, int version, SqliteDb& db);
    // What the file's first bytes say, read without sqlite and without
    // waiting: a FIFO or a device there must not hold up the start.
    struct Header {
        bool regular = false;
        // user_version, -1 when unreadable.
        long version = -1;
    };
    static Header readHeader(const std::string& path);
    // Brings the store to the schema of now; Usable, or what that found.
    static Found prepare(sqlite3* db);
    // Moves path and its -wal/-shm aside as path.bad, path.bad-wal...
    static bool keepAside(const std::string& path);
};

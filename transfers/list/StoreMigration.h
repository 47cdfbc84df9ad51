#pragma once

#include <sqlite3.h>

// The schema of transfers.sqlite, version by version (PRAGMA user_version):
// each step brings a store from one version to the next in a transaction of
// its own, so that a store is always at some version, never between two.
class StoreMigration {
public:
    // The version the last step ends at: the one this program reads and writes.
    static int latest();
    // Runs every step from the store's version on. SQLITE_OK, or the result
    // code of the step that failed, which leaves the store at the version
    // before it. A store newer than latest() is not this class's to open.
    static int migrate(sqlite3* db);
};

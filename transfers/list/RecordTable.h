#pragma once

#include "transfers/list/SqliteHandles.h"
#include "transfers/list/TransferRecord.h"

#include <cstdint>
#include <vector>

// The records table of transfers.sqlite (its schema: StoreMigration): one
// row per TransferRecord, every field a column, reasons by their names. Used only on the thread
// that owns the connection.
class RecordTable {
public:
    // db must outlive this table.
    explicit RecordTable(sqlite3* db) : db(db) {}

    // Inserts or replaces; an sqlite result code.
    int save(const TransferRecord& record);
    int remove(std::int64_t id);
    // Every record, by id. Empty when the table cannot be read.
    std::vector<TransferRecord> loadAll();
    // The largest stored id, 0 when none.
    std::int64_t maxId();

private:
    // The statement for sql, prepared once; null when it cannot be.
    sqlite3_stmt* prepared(SqliteStatement& slot, const char* sql);

    sqlite3* db;
    SqliteStatement saveStatement;
    SqliteStatement removeStatement;
};

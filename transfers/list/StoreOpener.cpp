#include "StoreOpener.h"

#include "RecordTable.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

SqliteDb openDb(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    SqliteDb db(raw);
    if (result != SQLITE_OK)
        db.reset();
    return db;
}

// The first column of the first row of sql, as text; nothing when it fails.
bool firstText(sqlite3* db, const char* sql, std::string& out) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        return false;
    const SqliteStatement statement(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        return false;
    const auto* text = sqlite3_column_text(raw, 0);
    out = text ? reinterpret_cast<const char*>(text) : "";
    return true;
}

} // namespace

long StoreOpener::headerVersion(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 64> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size()))
        return -1;
    if (std::memcmp(header.data(), "SQLite format 3", 16) != 0)
        return -1;
    // Big-endian at offset 60.
    return (long{header[60]} << 24) | (long{header[61]} << 16) | (long{header[62]} << 8) |
           long{header[63]};
}

StoreOpener::Found StoreOpener::examine(const std::string& path, int version, SqliteDb& db) {
    // A newer file is recognised without sqlite, which could write beside it.
    if (headerVersion(path) > version)
        return Found::Newer;
    db = openDb(path, SQLITE_OPEN_READWRITE);
    if (!db)
        return Found::Damaged;
    // A newer version may sit in the WAL only; closing must not fold it in.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    std::string text;
    if (!firstText(db.get(), "PRAGMA user_version", text))
        return Found::Damaged;
    if (std::strtol(text.c_str(), nullptr, 10) > version)
        return Found::Newer;
    if (!firstText(db.get(), "PRAGMA quick_check", text) || text != "ok")
        return Found::Damaged;
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return Found::Usable;
}

bool StoreOpener::prepare(sqlite3* db, int version) {
    std::string mode;
    if (!firstText(db, "PRAGMA journal_mode=WAL", mode) || mode != "wal")
        return false;
    // WAL with NORMAL survives a crash of the program; a power cut may lose
    // the last second, which is only progress.
    if (sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    if (RecordTable(db).create() != SQLITE_OK)
        return false;
    const std::string setVersion = "PRAGMA user_version=" + std::to_string(version);
    return sqlite3_exec(db, setVersion.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

StoreOpener::Opened StoreOpener::open(const std::string& path, int version) {
    Opened opened;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        switch (examine(path, version, opened.db)) {
        case Found::Newer:
            opened.db.reset();
            opened.message = newerText;
            return opened;
        case Found::Usable:
            if (prepare(opened.db.get(), version))
                return opened;
            [[fallthrough]];
        case Found::Damaged:
            opened.db.reset();
            std::filesystem::rename(path, path + ".bad", error);
            if (error) {
                opened.message = unusableText;
                return opened;
            }
            // Their pages belong to the damaged file, never to a new one.
            std::filesystem::remove(path + "-wal", error);
            std::filesystem::remove(path + "-shm", error);
            opened.message = damagedText;
            break;
        }
    }
    opened.db = openDb(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!opened.db || !prepare(opened.db.get(), version)) {
        opened.db.reset();
        opened.message = unusableText;
    }
    return opened;
}

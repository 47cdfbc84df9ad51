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

bool damaging(sqlite3* db) {
    const int primary = sqlite3_errcode(db) & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
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
        return Found::Unusable;
    // A newer version may sit in the WAL only; closing must not fold it in.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    std::string text;
    if (!firstText(db.get(), "PRAGMA user_version", text))
        return damaging(db.get()) ? Found::Damaged : Found::Unusable;
    if (std::strtol(text.c_str(), nullptr, 10) > version)
        return Found::Newer;
    if (!firstText(db.get(), "PRAGMA quick_check", text))
        return damaging(db.get()) ? Found::Damaged : Found::Unusable;
    if (text != "ok")
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
    std::string current;
    if (!firstText(db, "PRAGMA user_version", current))
        return false;
    // The version is set only after the table exists.
    if (std::strtol(current.c_str(), nullptr, 10) == version)
        return true;
    if (RecordTable(db).create() != SQLITE_OK)
        return false;
    const std::string setVersion = "PRAGMA user_version=" + std::to_string(version);
    return sqlite3_exec(db, setVersion.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool StoreOpener::keepAside(const std::string& path) {
    std::error_code error;
    std::filesystem::rename(path, path + ".bad", error);
    if (error)
        return false;
    // The last commits may be in the WAL: they go with the damaged file, and
    // an older .bad's must not be read as this one's.
    for (const char* suffix : {"-wal", "-shm"}) {
        std::filesystem::remove(path + ".bad" + suffix, error);
        std::filesystem::rename(path + suffix, path + ".bad" + suffix, error);
    }
    return true;
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
            // A full disk, a read-only folder or a lock: the file is sound
            // and kept for the next start.
            if (!prepare(opened.db.get(), version)) {
                opened.db.reset();
                opened.message = unusableText;
            }
            return opened;
        case Found::Unusable:
            opened.db.reset();
            opened.message = unusableText;
            return opened;
        case Found::Damaged:
            opened.db.reset();
            if (!keepAside(path)) {
                opened.message = unusableText;
                return opened;
            }
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

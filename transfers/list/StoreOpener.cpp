#include "transfers/list/StoreOpener.h"

#include "transfers/list/StoreMigration.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Closes a descriptor when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() { ::close(fd); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

private:
    int fd;
};

} // namespace

StoreOpener::Header StoreOpener::readHeader(const std::string& path) {
    Header header;
    // Opening a FIFO for reading would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0) {
        // Unreadable to us, but maybe a sound store all the same.
        header.regular = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        return header;
    }
    const FileDescriptor owned(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return header;
    header.regular = true;
    std::array<unsigned char, 64> bytes{};
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()) ||
        std::memcmp(bytes.data(), "SQLite format 3", 16) != 0)
        return header;
    // Big-endian at offset 60.
    header.version = (long{bytes[60]} << 24) | (long{bytes[61]} << 16) | (long{bytes[62]} << 8) |
                     long{bytes[63]};
    return header;
}

StoreOpener::Found StoreOpener::examine(const std::string& path, int version, SqliteDb& db) {
    const Header header = readHeader(path);
    // Anything but a file is no store of ours, and sqlite could hang on it.
    if (!header.regular)
        return Found::Damaged;
    // A newer file is recognised without sqlite, which could write beside it.
    if (header.version > version)
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

StoreOpener::Found StoreOpener::prepare(sqlite3* db) {
    std::string mode;
    if (!firstText(db, "PRAGMA journal_mode=WAL", mode) || mode != "wal")
        return Found::Unusable;
    // WAL with NORMAL survives a crash of the program; a power cut may lose
    // the last second, which is only progress.
    if (sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Found::Unusable;
    switch (StoreMigration::migrate(db) & 0xff) {
    case SQLITE_OK:
        return Found::Usable;
    // A schema no step fits was not written by us: kept aside, as damage.
    case SQLITE_ERROR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
        return Found::Damaged;
    // A full disk, a read-only folder or a lock: the file is sound and its
    // steps are taken at a later start.
    default:
        return Found::Unusable;
    }
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

StoreOpener::Opened StoreOpener::open(const std::string& path) {
    const int version = StoreMigration::latest();
    Opened opened;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        Found found = examine(path, version, opened.db);
        if (found == Found::Usable)
            found = prepare(opened.db.get());
        switch (found) {
        case Found::Usable:
            return opened;
        case Found::Newer:
            opened.db.reset();
            opened.message = Reason::StoreNewer;
            return opened;
        case Found::Unusable:
            opened.db.reset();
            opened.message = Reason::StoreUnusable;
            return opened;
        case Found::Damaged:
            opened.db.reset();
            if (!keepAside(path)) {
                opened.message = Reason::StoreUnusable;
                return opened;
            }
            opened.message = Reason::StoreDamaged;
            break;
        }
    }
    opened.db = openDb(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!opened.db || prepare(opened.db.get()) != Found::Usable) {
        opened.db.reset();
        opened.message = Reason::StoreUnusable;
    }
    return opened;
}

#include "RecordTable.h"

#include <array>
#include <string>
#include <string_view>

namespace {

// Stored by name, so that a reordered enum never changes what a file means.
constexpr std::array<std::string_view, 8> stateNames = {
    "queued", "running", "paused", "converting", "done", "failed", "cancelled", "interrupted"};

std::string_view nameOf(TransferState state) {
    return stateNames[static_cast<std::size_t>(state)];
}

TransferState stateNamed(std::string_view name) {
    for (std::size_t i = 0; i < stateNames.size(); ++i)
        if (stateNames[i] == name)
            return static_cast<TransferState>(i);
    // Unknown here: treated as cut short, so it continues rather than vanish.
    return TransferState::Interrupted;
}

std::string textAt(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// A reason by its stored name; one this version does not know says nothing.
Reason reasonAt(sqlite3_stmt* statement, int column) {
    return reasonNamed(textAt(statement, column)).value_or(Reason::None);
}

void bindText(sqlite3_stmt* statement, int index, std::string_view text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

// The columns in the order both statements below use.
constexpr const char* columns =
    "id, state, kind, title, page_url, quality, movie_folder, music_folder, convert, part_file,"
    " validator, received, total, type, movie_path, mp3_path, error, status, added_at, ended_at,"
    " file_title, detail, source_kind, source_label, source_url, ranges, list_order";
constexpr int columnCount = 27;

std::string saveSql() {
    std::string marks = "?";
    for (int i = 1; i < columnCount; ++i)
        marks += ",?";
    return std::string("INSERT OR REPLACE INTO transfers (") + columns + ") VALUES (" + marks + ")";
}

std::string loadSql() {
    return std::string("SELECT ") + columns + " FROM transfers ORDER BY id";
}

} // namespace

sqlite3_stmt* RecordTable::prepared(SqliteStatement& slot, const char* sql) {
    if (!slot) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) ==
            SQLITE_OK)
            slot.reset(statement);
    }
    return slot.get();
}

int RecordTable::save(const TransferRecord& r) {
    static const std::string sql = saveSql();
    sqlite3_stmt* s = prepared(saveStatement, sql.c_str());
    if (!s)
        return sqlite3_errcode(db);
    sqlite3_bind_int64(s, 1, r.id);
    bindText(s, 2, nameOf(r.state));
    bindText(s, 3, r.kind == TransferKind::Conversion ? "conversion" : "download");
    bindText(s, 4, r.title);
    bindText(s, 5, r.pageUrl);
    sqlite3_bind_int(s, 6, r.quality);
    bindText(s, 7, r.movieFolder);
    bindText(s, 8, r.musicFolder);
    sqlite3_bind_int(s, 9, r.convert ? 1 : 0);
    bindText(s, 10, r.partFile);
    bindText(s, 11, r.validator);
    sqlite3_bind_int64(s, 12, r.received);
    sqlite3_bind_int64(s, 13, r.total);
    bindText(s, 14, r.type);
    bindText(s, 15, r.moviePath);
    bindText(s, 16, r.mp3Path);
    bindText(s, 17, reasonName(r.error));
    bindText(s, 18, reasonName(r.status));
    sqlite3_bind_int64(s, 19, r.addedAt);
    sqlite3_bind_int64(s, 20, r.endedAt);
    bindText(s, 21, r.fileTitle);
    bindText(s, 22, r.detail);
    bindText(s, 23, r.source.kind);
    bindText(s, 24, r.source.label);
    bindText(s, 25, r.source.url);
    bindText(s, 26, r.ranges);
    sqlite3_bind_int64(s, 27, r.order);
    const int result = sqlite3_step(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    return result == SQLITE_DONE ? SQLITE_OK : result;
}

int RecordTable::remove(std::int64_t id) {
    sqlite3_stmt* s = prepared(removeStatement, "DELETE FROM transfers WHERE id = ?");
    if (!s)
        return sqlite3_errcode(db);
    sqlite3_bind_int64(s, 1, id);
    const int result = sqlite3_step(s);
    sqlite3_reset(s);
    return result == SQLITE_DONE ? SQLITE_OK : result;
}

std::vector<TransferRecord> RecordTable::loadAll() {
    std::vector<TransferRecord> records;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, loadSql().c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return records;
    const SqliteStatement s(raw);
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        TransferRecord r;
        r.id = sqlite3_column_int64(raw, 0);
        r.state = stateNamed(textAt(raw, 1));
        r.kind = textAt(raw, 2) == "conversion" ? TransferKind::Conversion : TransferKind::Download;
        r.title = textAt(raw, 3);
        r.pageUrl = textAt(raw, 4);
        r.quality = sqlite3_column_int(raw, 5);
        r.movieFolder = textAt(raw, 6);
        r.musicFolder = textAt(raw, 7);
        r.convert = sqlite3_column_int(raw, 8) != 0;
        r.partFile = textAt(raw, 9);
        r.validator = textAt(raw, 10);
        r.received = sqlite3_column_int64(raw, 11);
        r.total = sqlite3_column_int64(raw, 12);
        r.type = textAt(raw, 13);
        r.moviePath = textAt(raw, 14);
        r.mp3Path = textAt(raw, 15);
        r.error = reasonAt(raw, 16);
        r.status = reasonAt(raw, 17);
        r.addedAt = sqlite3_column_int64(raw, 18);
        r.endedAt = sqlite3_column_int64(raw, 19);
        r.fileTitle = textAt(raw, 20);
        r.detail = textAt(raw, 21);
        r.source = {textAt(raw, 22), textAt(raw, 23), textAt(raw, 24)};
        r.ranges = textAt(raw, 25);
        r.order = sqlite3_column_int64(raw, 26);
        records.push_back(std::move(r));
    }
    return records;
}

std::int64_t RecordTable::maxId() {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT MAX(id) FROM transfers", -1, &raw, nullptr) != SQLITE_OK)
        return 0;
    const SqliteStatement s(raw);
    return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : 0;
}

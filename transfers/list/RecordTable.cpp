#include "RecordTable.h"

#include <array>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace {

// Names kept in the store, by the enum's value, so that a reordered enum
// never changes what a file means.
constexpr std::array<std::string_view, 8> stateNames = {
    "queued", "running", "paused", "converting", "done", "failed", "cancelled", "interrupted"};
constexpr std::array<std::string_view, 7> sourceKindNames = {
    "", "stream-map", "direct", "element", "open-graph", "json-ld", "request"};

template <typename Enum, std::size_t N>
std::string_view nameOf(const std::array<std::string_view, N>& names, Enum value) {
    return names[static_cast<std::size_t>(value)];
}

// The value of that name; fallback for one this version does not know.
template <typename Enum, std::size_t N>
Enum named(const std::array<std::string_view, N>& names, std::string_view name, Enum fallback) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<Enum>(i);
    return fallback;
}

std::string textAt(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

void bindText(sqlite3_stmt* statement, int index, std::string_view text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

// One column of the transfers table: its name, how a record's field goes
// into a statement (index from 1) and comes back from a row (from 0).
struct Column {
    const char* name;
    void (*bind)(sqlite3_stmt*, int index, const TransferRecord&);
    void (*read)(sqlite3_stmt*, int column, TransferRecord&);
};

// The field at the end of a path of members: field<&R::resume, &ResumeState::ranges>(r).
template <auto... Path> auto& field(auto& record) {
    return (record.*....*Path);
}

template <auto... Path> constexpr Column text(const char* name) {
    return {
        name,
        [](sqlite3_stmt* s, int i, const TransferRecord& r) { bindText(s, i, field<Path...>(r)); },
        [](sqlite3_stmt* s, int i, TransferRecord& r) { field<Path...>(r) = textAt(s, i); }};
}

template <auto... Path> constexpr Column number(const char* name) {
    return {name,
            [](sqlite3_stmt* s, int i, const TransferRecord& r) {
                sqlite3_bind_int64(s, i, static_cast<sqlite3_int64>(field<Path...>(r)));
            },
            [](sqlite3_stmt* s, int i, TransferRecord& r) {
                auto& value = field<Path...>(r);
                value = static_cast<std::remove_reference_t<decltype(value)>>(
                    sqlite3_column_int64(s, i));
            }};
}

// A reason by its name; one this version does not know says nothing.
template <auto Member> constexpr Column reason(const char* name) {
    return {name,
            [](sqlite3_stmt* s, int i, const TransferRecord& r) {
                bindText(s, i, reasonName(r.*Member));
            },
            [](sqlite3_stmt* s, int i, TransferRecord& r) {
                r.*Member = reasonNamed(textAt(s, i)).value_or(Reason::None);
            }};
}

using R = TransferRecord;
using Resume = ResumeState;

// Every field of a record and its column (the schema: StoreMigration).
constexpr Column columns[] = {
    number<&R::id>("id"),
    {"state",
     [](sqlite3_stmt* s, int i, const R& r) { bindText(s, i, nameOf(stateNames, r.state)); },
     // Unknown here: treated as cut short, so it continues rather than vanish.
     [](sqlite3_stmt* s, int i, R& r) {
         r.state = named(stateNames, textAt(s, i), TransferState::Interrupted);
     }},
    {"kind",
     [](sqlite3_stmt* s, int i, const R& r) {
         bindText(s, i, r.kind == TransferKind::Conversion ? "conversion" : "download");
     },
     [](sqlite3_stmt* s, int i, R& r) {
         r.kind = textAt(s, i) == "conversion" ? TransferKind::Conversion : TransferKind::Download;
     }},
    text<&R::title>("title"),
    text<&R::fileTitle>("file_title"),
    text<&R::pageUrl>("page_url"),
    number<&R::quality>("quality"),
    {"source_kind",
     [](sqlite3_stmt* s, int i, const R& r) {
         bindText(s, i, nameOf(sourceKindNames, r.source.kind));
     },
     [](sqlite3_stmt* s, int i, R& r) {
         r.source.kind = named(sourceKindNames, textAt(s, i), SourceRef::Kind::None);
     }},
    text<&R::source, &SourceRef::label>("source_label"),
    text<&R::source, &SourceRef::url>("source_url"),
    text<&R::movieFolder>("movie_folder"),
    text<&R::musicFolder>("music_folder"),
    number<&R::convert>("convert"),
    text<&R::resume, &Resume::partFile>("part_file"),
    text<&R::resume, &Resume::validator>("validator"),
    number<&R::resume, &Resume::total>("resume_total"),
    text<&R::resume, &Resume::ranges>("ranges"),
    text<&R::resume, &Resume::segments, &Resume::Segments::manifest>("segments_manifest"),
    {"segments_done",
     [](sqlite3_stmt* s, int i, const R& r) { bindText(s, i, r.resume.segments.text()); },
     // Segments that cannot be read are fetched again.
     [](sqlite3_stmt* s, int i, R& r) {
         if (auto read = Resume::Segments::parse({}, textAt(s, i)))
             r.resume.segments.tracks = std::move(read->tracks);
     }},
    number<&R::received>("received"),
    number<&R::total>("total"),
    text<&R::type>("type"),
    text<&R::moviePath>("movie_path"),
    text<&R::mp3Path>("mp3_path"),
    reason<&R::status>("status"),
    reason<&R::error>("error"),
    text<&R::detail>("detail"),
    number<&R::addedAt>("added_at"),
    number<&R::endedAt>("ended_at"),
    number<&R::order>("list_order"),
};

std::string columnList() {
    std::string list;
    for (const Column& column : columns)
        list += std::string(list.empty() ? "" : ", ") + column.name;
    return list;
}

std::string saveSql() {
    std::string marks = "?";
    for (std::size_t i = 1; i < std::size(columns); ++i)
        marks += ",?";
    return "INSERT OR REPLACE INTO transfers (" + columnList() + ") VALUES (" + marks + ")";
}

std::string loadSql() {
    return "SELECT " + columnList() + " FROM transfers ORDER BY id";
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

int RecordTable::save(const TransferRecord& record) {
    static const std::string sql = saveSql();
    sqlite3_stmt* s = prepared(saveStatement, sql.c_str());
    if (!s)
        return sqlite3_errcode(db);
    for (std::size_t i = 0; i < std::size(columns); ++i)
        columns[i].bind(s, static_cast<int>(i) + 1, record);
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
        for (std::size_t i = 0; i < std::size(columns); ++i)
            columns[i].read(raw, static_cast<int>(i), r);
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

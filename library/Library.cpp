#include "library/Library.h"

#include "base/MediaFormat.h"
#include "library/PlayerPage.h"
#include "toolkit/SearchKey.h"
#include "toolkit/Text.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

bool endsWithIgnoringCase(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(),
                      name.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char x, char y) {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

struct Found {
    std::string name;
    std::int64_t size = -1;
    std::int64_t modifiedMs = 0;
};

std::int64_t millisecondsOf(fs::file_time_type time) {
    using namespace std::chrono;
    return duration_cast<milliseconds>(file_clock::to_sys(time).time_since_epoch()).count();
}

// Files directly in the folder whose names end in "." + extension whatever
// the letter case, as the desktop's file dialogs match, sorted by name. A
// folder that cannot be read (missing, no permission) gives what could be
// read.
std::vector<Found> filesIn(const std::string& folder, const std::string& extension) {
    std::vector<Found> found;
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), error);
    if (error)
        return found;
    const std::string suffix = "." + extension;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        std::error_code statError;
        if (!it->is_regular_file(statError))
            continue;
        std::string name = it->path().filename().string();
        if (!endsWithIgnoringCase(name, suffix))
            continue;
        Found file{std::move(name)};
        if (const auto size = it->file_size(statError); !statError)
            file.size = static_cast<std::int64_t>(size);
        if (const auto time = it->last_write_time(statError); !statError)
            file.modifiedMs = millisecondsOf(time);
        found.push_back(std::move(file));
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.name < b.name; });
    return found;
}

// One spelling for every way of naming a folder: "a/b/", "a/b", a link to it.
std::string sameFolder(const std::string& folder) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(fs::path(folder), error);
    std::string text = (error ? fs::path(folder).lexically_normal() : canonical).string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// The formats a download is saved as, the MP3 apart.
std::vector<std::string> movieTypes() {
    std::vector<std::string> types;
    for (const MediaFormat& format : MediaFormat::savedFormats())
        if (format.name != "mp3")
            types.emplace_back(format.name);
    return types;
}

} // namespace

Library::Library(QObject* parent) : QAbstractTableModel(parent) {}

void Library::setShown(bool movies, bool music) {
    showMovies = movies;
    showMusic = music;
}

bool Library::shows(const std::string& type) const {
    // By its extension, whatever its letter case: "Clip.MP4" is a movie.
    const MediaFormat format = MediaFormat::ofExtension(type);
    if (!format.whole())
        return true;
    return format.audio ? showMusic : showMovies;
}

void Library::clear() {
    if (rows.empty())
        return;
    beginResetModel();
    rows.clear();
    endResetModel();
}

void Library::listFolders(const std::string& moviePath, const std::string& mp3Path,
                          const std::vector<std::string>& earlier) {
    listFolder(mp3Path, {"mp3"});
    // Downloads of every type land in the movie folder; MP3s are the
    // music folder's only.
    const std::vector<std::string> movies = movieTypes();
    listFolder(moviePath, movies);
    // A folder saved into before may hold either kind; each is listed once.
    std::vector<std::string> listed{sameFolder(moviePath), sameFolder(mp3Path)};
    std::vector<std::string> every{"mp3"};
    every.insert(every.end(), movies.begin(), movies.end());
    for (const std::string& folder : earlier) {
        std::string same = sameFolder(folder);
        if (folder.empty() || std::find(listed.begin(), listed.end(), same) != listed.end())
            continue;
        listed.push_back(std::move(same));
        listFolder(folder, every);
    }
}

void Library::listFolder(const std::string& folder, const std::vector<std::string>& extensions) {
    std::vector<Row> added;
    const QString where = wide(folder);
    for (const std::string& extension : extensions) {
        for (Found& file : filesIn(folder, extension)) {
            // The title is the name up to its last dot, the type what follows
            // it as spelled on disk.
            const std::string::size_type dot = file.name.rfind('.');
            const std::string type = file.name.substr(dot + 1);
            if (shows(type))
                added.push_back({wide(file.name.substr(0, dot)),
                                 wide(type),
                                 where,
                                 file.size,
                                 file.modifiedMs,
                                 {}});
        }
    }
    append(std::move(added));
}

Library::Row Library::rowFor(const std::string& title, const std::string& type,
                             const std::string& folder) {
    Row row{wide(title), wide(type), wide(folder), -1, 0, {}};
    if (folder.empty())
        return row;
    const QFileInfo file(wide(PlayerPage::mediaPath(title, folder, type)));
    if (file.isFile()) {
        row.size = file.size();
        row.modifiedMs = file.lastModified().toMSecsSinceEpoch();
    }
    return row;
}

void Library::add(const std::string& title, const std::string& type, const std::string& folder) {
    if (shows(type))
        append({rowFor(title, type, folder)});
}

void Library::addOnce(const std::string& title, const std::string& type,
                      const std::string& folder) {
    // A retried job writes the file its first attempt may have listed already.
    const Row wanted{wide(title), wide(type), wide(folder), -1, 0, {}};
    const bool listed = std::any_of(rows.begin(), rows.end(), [&](const Row& row) {
        return row.title == wanted.title && row.type == wanted.type && row.folder == wanted.folder;
    });
    if (!listed)
        add(title, type, folder);
}

void Library::append(std::vector<Row> added) {
    if (added.empty())
        return;
    const int first = static_cast<int>(rows.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    rows.insert(rows.end(), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
    endInsertRows();
}

std::string Library::mediaPath(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    const Row& file = rows[static_cast<std::size_t>(row)];
    if (file.folder.isEmpty())
        return {};
    return PlayerPage::mediaPath(narrow(file.title), narrow(file.folder), narrow(file.type));
}

int Library::rowOf(const std::string& path) const {
    for (int row = 0; row < rowCount(); ++row)
        if (mediaPath(row) == path)
            return row;
    return -1;
}

void Library::removeFile(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows.erase(rows.begin() + row);
    endRemoveRows();
}

void Library::renameFile(int row, const std::string& title) {
    if (row < 0 || row >= rowCount())
        return;
    Row& file = rows[static_cast<std::size_t>(row)];
    file = rowFor(title, narrow(file.type), narrow(file.folder));
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int Library::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int Library::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant Library::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return shown(row, index.column());
    case Qt::TextAlignmentRole:
        // Figures line up on their right.
        return index.column() == SizeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                            : QVariant();
    case Qt::ToolTipRole:
        return index.column() == FolderColumn ? QVariant(row.folder) : QVariant();
    case SortRole:
        return sortValue(row, index.column());
    case FolderRole:
        return row.folder;
    case SearchKeyRole:
        if (row.key.isNull())
            row.key = searchKey(row.title);
        return row.key;
    default:
        return {};
    }
}

QVariant Library::shown(const Row& row, int column) const {
    switch (column) {
    case TitleColumn:
        return row.title;
    case TypeColumn:
        return row.type;
    case FolderColumn:
        return row.folder;
    case SizeColumn:
        return row.size < 0 ? QString()
                            : QLocale().formattedDataSize(row.size, 1, QLocale::DataSizeSIFormat);
    case ModifiedColumn:
        return row.modifiedMs == 0
                   ? QString()
                   : QLocale().toString(QDateTime::fromMSecsSinceEpoch(row.modifiedMs),
                                        QLocale::ShortFormat);
    default:
        return {};
    }
}

QVariant Library::sortValue(const Row& row, int column) const {
    switch (column) {
    case SizeColumn:
        return QVariant::fromValue<qint64>(row.size);
    case ModifiedColumn:
        return QVariant::fromValue<qint64>(row.modifiedMs);
    default:
        return shown(row, column);
    }
}

QVariant Library::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return tr("Title");
    case TypeColumn:
        return tr("Type");
    case FolderColumn:
        return tr("Folder");
    case SizeColumn:
        return tr("Size");
    case ModifiedColumn:
        return tr("Modified");
    default:
        return {};
    }
}

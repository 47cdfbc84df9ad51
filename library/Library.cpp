#include "library/Library.h"

#include "base/MediaFormat.h"
#include "library/PlayerPage.h"
#include "toolkit/SearchKey.h"
#include "toolkit/Text.h"

#include <algorithm>
#include <cctype>
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

// File names directly in the folder that end in "." + extension whatever the
// letter case, as the desktop's file dialogs match, sorted by name. A folder
// that cannot be read (missing, no permission) gives what could be read.
std::vector<std::string> namesIn(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), error);
    if (error)
        return names;
    const std::string suffix = "." + extension;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        std::string name = it->path().filename().string();
        if (endsWithIgnoringCase(name, suffix))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
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

void Library::listFolders(const std::string& moviePath, const std::string& mp3Path) {
    listFolder(mp3Path, "mp3");
    // Downloads of every type land in the movie folder; MP3s are the
    // music folder's only.
    for (const MediaFormat& format : MediaFormat::savedFormats())
        if (format.name != "mp3")
            listFolder(moviePath, std::string(format.name));
}

void Library::listFolder(const std::string& folder, const std::string& extension) {
    std::vector<Row> added;
    const QString where = wide(folder);
    for (const std::string& name : namesIn(folder, extension)) {
        // The title is the name up to its last dot, the type what follows it
        // as spelled on disk.
        const std::string::size_type dot = name.rfind('.');
        const std::string type = name.substr(dot + 1);
        if (shows(type))
            added.push_back({wide(name.substr(0, dot)), wide(type), where, {}});
    }
    append(std::move(added));
}

void Library::add(const std::string& title, const std::string& type, const std::string& folder) {
    if (shows(type))
        append({{wide(title), wide(type), wide(folder), {}}});
}

void Library::addOnce(const std::string& title, const std::string& type,
                      const std::string& folder) {
    // A retried job writes the file its first attempt may have listed already.
    const Row wanted{wide(title), wide(type), wide(folder), {}};
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
        return index.column() == TitleColumn ? row.title : row.type;
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

QVariant Library::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return tr("Title");
    case TypeColumn:
        return tr("Type");
    default:
        return {};
    }
}

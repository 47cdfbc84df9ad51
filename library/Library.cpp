#include "Library.h"

#include "ListView.h"
#include "PlayerPage.h"
#include "Text.h"

#include <QTreeWidget>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "*.ext" matches names ending in ".ext" whatever the letter case, as the
// desktop file dialogs do; the name keeps its case on the row.
bool matches(const std::string& name, const std::string& pattern) {
    if (pattern.size() < 2 || pattern[0] != '*')
        return name == pattern;
    const std::string suffix = pattern.substr(1);
    return name.size() >= suffix.size() &&
           equalsIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// File names directly in the folder that match, sorted by name. A folder that
// cannot be read (missing, no permission) gives what could be read.
std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), error);
    if (error)
        return names;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        const std::string name = it->path().filename().string();
        if (matches(name, pattern))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

Library::Library(QTreeWidget* view) : view(view) {}

void Library::setShown(bool movies, bool music) {
    showMovies = movies;
    showMusic = music;
}

void Library::clear() {
    if (view)
        view->clear();
}

bool Library::shows(const std::string& type) const {
    if (PlayerPage::isMusicType(type))
        return showMusic;
    if (PlayerPage::isMovieType(type))
        return showMovies;
    return true;
}

void Library::add(const std::string& title, const std::string& type, const std::string& folder) {
    if (view && shows(type))
        ListView::addRow(view, {wide(title), wide(type), wide(folder)});
}

void Library::addOnce(const std::string& title, const std::string& type,
                      const std::string& folder) {
    if (!view)
        return;
    // A retried job writes the file its first attempt may have listed already.
    const QStringList cells = {wide(title), wide(type), wide(folder)};
    for (int row = 0; row < ListView::rowCount(view); ++row) {
        if (ListView::cellCount(view, row) == cells.size() &&
            ListView::cellText(view, row, 0) == cells[0] &&
            ListView::cellText(view, row, 1) == cells[1] &&
            ListView::cellText(view, row, 2) == cells[2])
            return;
    }
    add(title, type, folder);
}

void Library::show(const std::string& moviePath, const std::string& mp3Path) {
    helpShow(mp3Path, "*.mp3");
    helpShow(moviePath, "*.flv");
    helpShow(moviePath, "*.mp4");
}

void Library::helpShow(const std::string& folder, const std::string& pattern) {
    if (!view)
        return;
    for (const std::string& name : listFolder(folder, pattern)) {
        // The title is the name up to its last dot, the type what follows it
        // as spelled on disk.
        const std::string::size_type dot = name.rfind('.');
        if (dot == std::string::npos)
            continue;
        add(name.substr(0, dot), name.substr(dot + 1), folder);
    }
}

bool Library::hasFolder(int row) const {
    return view && row >= 0 && row < ListView::rowCount(view) && ListView::cellCount(view, row) > 2;
}

std::string Library::mediaPath(int row) const {
    if (!hasFolder(row))
        return {};
    return PlayerPage::mediaPath(narrow(ListView::cellText(view, row, 0)),
                                 narrow(ListView::cellText(view, row, 2)),
                                 narrow(ListView::cellText(view, row, 1)));
}

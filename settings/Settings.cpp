#include "Settings.h"

#include "ControlFinder.h"
#include "Library.h"
#include "Medias.h"
#include "MessageBox.h"
#include "SettingsTab.h"
#include "Text.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QWidget>

#include <fstream>
#include <iterator>

std::string Settings::moviePath;
std::string Settings::mp3Path;

namespace {

const char* const LibraryPathError =
    "Error: Could not open library path. Check the Settings tab for download locations.";

bool isFolder(const std::string& path) {
    return !path.empty() && QFileInfo(wide(path)).isDir();
}

void makeFolder(const std::string& path) {
    QDir().mkpath(wide(path));
}

template <typename T> T* control(QWidget* tab, const char* box, const char* name) {
    return qobject_cast<T*>(
        findControlPath(tab, {QString::fromLatin1(box), QString::fromLatin1(name)}));
}

} // namespace

std::string Settings::dataFolder() {
    std::string base =
        narrow(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + "Quillmoth/";
}

Settings::Settings(QWidget* view, QTreeWidget* libView)
    : view(view), library(std::make_unique<Library>(libView)) {
    outPath = dataFolder();
    if (!isFolder(outPath))
        makeFolder(outPath);

    configPath = outPath;
    if (configPath.back() != '/')
        configPath += '/';
    configPath += "config.dat";
    if (!QFileInfo::exists(wide(configPath))) {
        QFile empty(wide(configPath));
        empty.open(QIODevice::WriteOnly);
    }

    if (!loadSettingsFile()) {
        applyDefaults();
        makeFolder(moviePath);
        makeFolder(mp3Path);
        saveSettings();
    }

    updateUI();
    // Filling the tab raised the controls' change handlers; nothing is pending.
    SettingsTab::setSaveEnabled(view, false);

    if (areValidPaths())
        library->show(moviePath, mp3Path);
    else
        MessageBox::show(wide(LibraryPathError), view ? view->window() : nullptr);
}

Settings::~Settings() = default;

void Settings::applyDefaults() {
    moviePath = outPath + "Movies";
    mp3Path = outPath + "Music";
    showMovies = true;
    showMp3s = true;
    convertMovie = false;
    quality = "4";
}

bool Settings::loadSettingsFile() {
    // A file that names a setting nowhere leaves it at its default.
    applyDefaults();

    std::ifstream file(configPath, std::ios::binary);
    if (!file.is_open())
        return false;
    std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return false;

    // Every LF ends a line, and whatever follows the last one (possibly
    // nothing) is one more line: an empty file is one empty line.
    bool accepted = true;
    int count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = contents.find('\n', start);
        std::string line =
            contents.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!parseLine(line))
            accepted = false;
        ++count;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return accepted && count >= 6;
}

bool Settings::parseLine(const std::string& line) {
    if (line.empty())
        return true;

    std::string key;
    std::string value;
    const std::size_t limit = std::min<std::size_t>(line.size(), MAX_TOKEN_SIZE);
    const std::size_t separator = line.find(';');
    if (separator != std::string::npos && separator < limit) {
        key = line.substr(0, separator);
        value = line.substr(separator + 1);
    } else {
        // No separator in the key part: one of the keys alone takes an
        // empty value, anything else is refused below.
        key = line.substr(0, limit);
    }

    const bool flag = !value.empty() && value[0] == '1';
    if (key == MOVIE_PATH_TKN)
        moviePath = value;
    else if (key == MP3_PATH_TKN)
        mp3Path = value;
    else if (key == SHOW_MOVIE_TKN)
        showMovies = flag;
    else if (key == SHOW_MP3_TKN)
        showMp3s = flag;
    else if (key == CONVERT_TKN)
        convertMovie = flag;
    else if (key == QUALITY_TKN)
        quality = value;
    else
        return false;
    return true;
}

bool Settings::saveSettings() {
    const QString path = wide(configPath);
    {
        // Same refusal as writing in place: a file we may not open for
        // writing is left alone (renaming over it would succeed).
        QFile probe(path);
        if (probe.exists() && !probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
    }

    std::string text;
    auto line = [&text](const char* key, const std::string& value) {
        text += key;
        text += ';';
        text += value;
        text += "\r\n";
    };
    line(MOVIE_PATH_TKN, moviePath);
    line(MP3_PATH_TKN, mp3Path);
    line(SHOW_MOVIE_TKN, showMovies ? "1" : "0");
    line(SHOW_MP3_TKN, showMp3s ? "1" : "0");
    line(QUALITY_TKN, quality);
    line(CONVERT_TKN, convertMovie ? "1" : "0");

    // Written beside the file and renamed over it, so that a crash mid-save
    // never leaves a truncated config.dat.
    QSaveFile file(path);
    // A data folder that takes no new files still lets a writable
    // config.dat be written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.data(), static_cast<qint64>(text.size()));
    return file.commit();
}

bool Settings::areValidPaths() const {
    return isFolder(moviePath) && isFolder(mp3Path);
}

int Settings::getQuality() const {
    if (quality.empty())
        return 4;
    switch (quality[0]) {
    case '1':
        return 1;
    case '2':
        return 2;
    case '3':
        return 3;
    default:
        return 4;
    }
}

void Settings::showFileFolder(int pos) {
    library->showFileFolder(pos);
}

void Settings::updateUI() {
    if (auto* movieText = control<QLineEdit>(view, "groupBox1", "movieTextSave"))
        movieText->setText(wide(moviePath));
    if (auto* mp3Text = control<QLineEdit>(view, "groupBox1", "mp3SaveText"))
        mp3Text->setText(wide(mp3Path));

    if (auto* box = control<QCheckBox>(view, "groupBox3", "movieCheck"))
        box->setChecked(showMovies);
    if (auto* box = control<QCheckBox>(view, "groupBox3", "mp3Check"))
        box->setChecked(showMp3s);
    if (auto* box = control<QCheckBox>(view, "groupBox4", "autoCheck"))
        box->setChecked(convertMovie);

    SettingsTab::setSaveEnabled(view, false);

    static const char* const radios[] = {"radioButton1", "radioButton2", "radioButton3",
                                         "radioButton4"};
    if (auto* radio = control<QRadioButton>(view, "groupBox2", radios[getQuality() - 1]))
        radio->setChecked(true);
}

bool Settings::grabViewValues() {
    if (auto* movieText = control<QLineEdit>(view, "groupBox1", "movieTextSave"))
        moviePath = narrow(movieText->text());
    if (auto* mp3Text = control<QLineEdit>(view, "groupBox1", "mp3SaveText"))
        mp3Path = narrow(mp3Text->text());

    auto checked = [this](const char* box, const char* name) {
        auto* button = control<QAbstractButton>(view, box, name);
        return button && button->isChecked();
    };
    showMovies = checked("groupBox3", "movieCheck");
    showMp3s = checked("groupBox3", "mp3Check");
    convertMovie = checked("groupBox4", "autoCheck");

    if (checked("groupBox2", "radioButton1"))
        quality = "1";
    else if (checked("groupBox2", "radioButton2"))
        quality = "2";
    else if (checked("groupBox2", "radioButton3"))
        quality = "3";
    else
        quality = "4";
    return true;
}

void Settings::play(const std::string& title, const std::string& type) {
    // The type keeps its spelling on disk: it names the file.
    if (Medias::isMusicType(type))
        Medias::createMovie(title, mp3Path, type, getOutPath());
    else if (Medias::isMovieType(type))
        Medias::createMovie(title, moviePath, type, getOutPath());
}

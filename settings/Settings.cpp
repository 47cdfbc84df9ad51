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

ConfigFile Settings::values() const {
    ConfigFile config;
    config.moviePath = moviePath;
    config.mp3Path = mp3Path;
    config.showMovies = showMovies;
    config.showMp3s = showMp3s;
    config.convertMovie = convertMovie;
    config.quality = quality;
    return config;
}

void Settings::take(const ConfigFile& config) {
    moviePath = config.moviePath;
    mp3Path = config.mp3Path;
    showMovies = config.showMovies;
    showMp3s = config.showMp3s;
    convertMovie = config.convertMovie;
    quality = config.quality;
}

bool Settings::loadSettingsFile() {
    // A file that names a setting nowhere leaves it at its default.
    applyDefaults();
    // Lines read before a refused one keep their values, as they always did.
    ConfigFile config = values();
    const bool accepted = config.load(configPath);
    take(config);
    return accepted;
}

bool Settings::parseLine(const std::string& line) {
    ConfigFile config = values();
    if (!config.parseLine(line))
        return false;
    take(config);
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

    const std::string text = values().text();

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

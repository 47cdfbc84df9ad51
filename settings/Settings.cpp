#include "Settings.h"

#include "Library.h"
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
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QWidget>

namespace {

const char* const LibraryPathError =
    "Error: Could not open library path. Check the Settings tab for download locations.";
const char* const RefusedConfig =
    "The settings file could not be read, so the default settings are used. It was kept as ";
const char* const NotifyKey = "notifications/enabled";
const char* const MaxRunningKey = "transfers/maxRunning";

bool isFolder(const std::string& path) {
    return !path.empty() && QFileInfo(wide(path)).isDir();
}

void makeFolder(const std::string& path) {
    QDir().mkpath(wide(path));
}

} // namespace

std::string Settings::dataFolder() {
    std::string base =
        narrow(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + "Quillmoth/";
}

Settings::Settings(SettingsTab* view, QTreeWidget* libView)
    : view(view), library(std::make_unique<Library>(libView)) {
    outPath = dataFolder();
    if (!isFolder(outPath))
        makeFolder(outPath);

    configPath = outPath;
    if (configPath.back() != '/')
        configPath += '/';
    configPath += "config.dat";
    iniPath = configPath.substr(0, configPath.rfind('/') + 1) + "quillmoth.ini";
    // Before config.dat: refusing that one saves this one too.
    loadIni();
    if (!QFileInfo::exists(wide(configPath))) {
        QFile empty(wide(configPath));
        empty.open(QIODevice::WriteOnly);
    }

    if (!loadSettingsFile()) {
        keepRefusedFile();
        applyDefaults();
        makeFolder(moviePath);
        makeFolder(mp3Path);
        saveSettings();
    }

    updateUI();
    // Filling the tab raised the controls' change handlers; nothing is pending.
    if (view)
        view->setSaveEnabled(false);

    if (areValidPaths())
        listLibrary();
    else
        MessageBox::show(wide(LibraryPathError), view ? view->window() : nullptr);
}

Settings::~Settings() = default;

void Settings::keepRefusedFile() {
    const QString path = wide(configPath);
    if (QFileInfo(path).size() == 0)
        return;
    const QString kept = wide(refusedConfigPath());
    QFile::remove(kept);
    if (!QFile::rename(path, kept))
        return;
    MessageBox::show(wide(RefusedConfig) + kept, view ? view->window() : nullptr);
}

void Settings::listLibrary() {
    library->clear();
    library->setShown(showMovies, showMp3s);
    library->show(moviePath, mp3Path);
}

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

void Settings::loadIni() {
    // A file QSettings cannot read or parse leaves the default.
    const QSettings ini(wide(iniPath), QSettings::IniFormat);
    notify = ini.status() == QSettings::NoError ? ini.value(NotifyKey, true).toBool() : true;
    // A number out of range or no number at all leaves the default.
    bool isNumber = false;
    const int running = ini.value(MaxRunningKey).toInt(&isNumber);
    const bool usable = ini.status() == QSettings::NoError && isNumber && running >= MinRunning &&
                        running <= MaxRunning;
    maxRunning = usable ? running : DefaultMaxRunning;
}

bool Settings::saveIni() const {
    QSettings ini(wide(iniPath), QSettings::IniFormat);
    ini.setValue(NotifyKey, notify);
    ini.setValue(MaxRunningKey, maxRunning);
    ini.sync();
    // A FormatError is about what was read; the file was written afresh.
    if (ini.status() != QSettings::AccessError)
        return true;
    qInfo("Could not write %s", qUtf8Printable(wide(iniPath)));
    return false;
}

bool Settings::saveSettings() {
    // Its own file: whatever becomes of it, config.dat is saved as before.
    saveIni();

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
    if (!file.commit())
        return false;
    if (areValidPaths())
        listLibrary();
    return true;
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

void Settings::updateUI() {
    if (!view)
        return;
    view->movieFolderBox()->setText(wide(moviePath));
    view->musicFolderBox()->setText(wide(mp3Path));
    view->showMoviesBox()->setChecked(showMovies);
    view->showMusicBox()->setChecked(showMp3s);
    view->autoConvertBox()->setChecked(convertMovie);
    view->notifyBox()->setChecked(notify);
    view->maxRunningBox()->setValue(maxRunning);
    view->setSaveEnabled(false);
    view->qualityButton(getQuality())->setChecked(true);
}

bool Settings::grabViewValues() {
    if (!view)
        return true;
    moviePath = narrow(view->movieFolderBox()->text());
    mp3Path = narrow(view->musicFolderBox()->text());
    showMovies = view->showMoviesBox()->isChecked();
    showMp3s = view->showMusicBox()->isChecked();
    convertMovie = view->autoConvertBox()->isChecked();
    notify = view->notifyBox()->isChecked();
    maxRunning = view->maxRunningBox()->value();
    quality = "4";
    for (int level = 1; level <= 3; ++level)
        if (view->qualityButton(level)->isChecked()) {
            quality = std::to_string(level);
            break;
        }
    return true;
}

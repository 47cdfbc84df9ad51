#include "settings/SettingsStore.h"

#include "settings/ConfigFile.h"
#include "settings/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

const char* const RefusedConfig = QT_TRANSLATE_NOOP(
    "SettingsStore",
    "The settings file could not be read, so the default settings are used. It was kept as %1");
const char* const StuckFile = QT_TRANSLATE_NOOP(
    "SettingsStore", "%1 is not a file Quillmoth can use, and it could not be moved aside. The "
                     "defaults are used instead, and nothing is saved there until it is removed.");
const char* const NotifyKey = "notifications/enabled";
const char* const MaxRunningKey = "transfers/maxRunning";
const char* const ConnectionsKey = "transfers/connections";
const char* const SpeedLimitKey = "transfers/speedLimit";
const char* const SpeedLimitRateKey = "transfers/speedLimitRate";
// A key of its own: "connections" was written as 1 by every earlier save.
const char* const ConnectionsPerTransferKey = "transfers/connectionsPerTransfer";
const char* const SavedFoldersKey = "library/savedFolders";
const char* const SaveSubtitlesKey = "subtitles/save";
const char* const SubtitleLanguagesKey = "subtitles/languages";

// A folder as remembered: without the separators it may end in.
std::string folderText(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

QString wide(const std::string& text) {
    return QString::fromStdString(text);
}

int qualityOf(const std::string& text) {
    // The first character decides, as it always has: "7" or "" is low.
    const char first = text.empty() ? '\0' : text[0];
    return first >= '1' && first <= '3' ? first - '0' : Settings::LowQuality;
}

ConfigFile configOf(const Settings& settings) {
    ConfigFile config;
    config.moviePath = settings.movieFolder;
    config.mp3Path = settings.musicFolder;
    config.showMovies = settings.showMovies;
    config.showMp3s = settings.showMusic;
    config.convertMovie = settings.convertToMp3;
    config.quality = std::to_string(settings.quality);
    return config;
}

void take(const ConfigFile& config, Settings& settings) {
    settings.movieFolder = config.moviePath;
    settings.musicFolder = config.mp3Path;
    settings.showMovies = config.showMovies;
    settings.showMusic = config.showMp3s;
    settings.convertToMp3 = config.convertMovie;
    settings.quality = qualityOf(config.quality);
}

// A whole number in [low, high] under key, else fallback.
int intIn(const QSettings& ini, const char* key, int low, int high, int fallback) {
    bool isNumber = false;
    const int value = ini.value(key).toInt(&isNumber);
    return isNumber && value >= low && value <= high ? value : fallback;
}

} // namespace

std::string SettingsStore::userDataFolder() {
    std::string base =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + "Quillmoth/";
}

SettingsStore::SettingsStore(std::string dataFolder)
    : folder(std::move(dataFolder)), config(folder + "config.dat"), ini(folder + "quillmoth.ini") {
    QDir().mkpath(wide(folder));
}

Settings SettingsStore::defaults() const {
    // Where people look for their files: a Quillmoth folder in the desktop's
    // Videos and Music folders, or in the data folder where there are none.
    const auto standard = [](QStandardPaths::StandardLocation kind, const std::string& fallback) {
        const QString base = QStandardPaths::writableLocation(kind);
        return base.isEmpty() ? fallback : (base + QStringLiteral("/Quillmoth")).toStdString();
    };
    Settings settings;
    settings.movieFolder = standard(QStandardPaths::MoviesLocation, folder + "Movies");
    settings.musicFolder = standard(QStandardPaths::MusicLocation, folder + "Music");
    return settings;
}

Settings SettingsStore::load() {
    Settings settings = defaults();
    // Before config.dat: refusing that one saves this one too.
    if (setAsideIfNotFile(ini, QCoreApplication::translate("SettingsStore", RefusedConfig),
                          message))
        loadIni(settings);

    // A file that names a setting nowhere leaves it at its default.
    ConfigFile file = configOf(settings);
    const bool usable = setAsideIfNotFile(
        config, QCoreApplication::translate("SettingsStore", RefusedConfig), message);
    if (usable && file.load(config)) {
        take(file, settings);
        return settings;
    }
    if (usable)
        keepRefusedConfig();
    QDir().mkpath(wide(settings.movieFolder));
    QDir().mkpath(wide(settings.musicFolder));
    save(settings);
    return settings;
}

void SettingsStore::keepRefusedConfig() {
    const QString path = wide(config);
    // A missing or empty file (the first start) is not worth keeping.
    if (QFileInfo(path).size() == 0)
        return;
    const QString kept = wide(refusedConfigPath());
    QFile::remove(kept);
    if (QFile::rename(path, kept))
        say(message,
            QCoreApplication::translate("SettingsStore", RefusedConfig).arg(kept).toStdString());
}

void SettingsStore::say(std::string& said, const std::string& text) {
    said += (said.empty() ? "" : "\n\n") + text;
}

bool SettingsStore::setAsideIfNotFile(const std::string& path, const QString& keptText,
                                      std::string& said) {
    if (RegularFile::at(path) != RegularFile::Found::Other)
        return true;
    if (RegularFile::setAside(path)) {
        say(said, keptText.arg(wide(RegularFile::asidePath(path))).toStdString());
        return true;
    }
    say(said,
        QCoreApplication::translate("SettingsStore", StuckFile).arg(wide(path)).toStdString());
    return false;
}

std::vector<std::string> SettingsStore::savedFolders() const {
    std::vector<std::string> folders;
    if (RegularFile::at(ini) == RegularFile::Found::Other)
        return folders;
    const QSettings file(wide(ini), QSettings::IniFormat);
    for (const QString& folder : file.value(SavedFoldersKey).toStringList())
        if (!folder.isEmpty())
            folders.push_back(folder.toStdString());
    return folders;
}

bool SettingsStore::rememberFolders(const std::vector<std::string>& added) const {
    if (RegularFile::at(ini) == RegularFile::Found::Other)
        return false;
    QSettings file(wide(ini), QSettings::IniFormat);
    QStringList folders = file.value(SavedFoldersKey).toStringList();
    const qsizetype known = folders.size();
    for (const std::string& folder : added) {
        const QString text = wide(folderText(folder));
        if (!text.isEmpty() && !folders.contains(text))
            folders << text;
    }
    if (folders.size() == known)
        return true;
    file.setValue(SavedFoldersKey, folders);
    file.sync();
    return file.status() != QSettings::AccessError;
}

std::string SettingsStore::takeMessage() {
    return std::exchange(message, std::string());
}

void SettingsStore::loadIni(Settings& settings) const {
    const QSettings file(wide(ini), QSettings::IniFormat);
    // A file QSettings cannot read or parse leaves every default.
    if (file.status() != QSettings::NoError)
        return;
    settings.notify = file.value(NotifyKey, true).toBool();
    settings.maxRunning = intIn(file, MaxRunningKey, Settings::MinRunning, Settings::MaxRunning,
                                Settings::DefaultMaxRunning);
    settings.connections = intIn(file, ConnectionsKey, 1, Settings::MaxConnections, 1);
    settings.speedLimit = intIn(file, SpeedLimitKey, 0, 1 << 30, 0);
    // Files written before the rate had a key of its own: the limit in force.
    settings.speedLimitRate =
        intIn(file, SpeedLimitRateKey, Settings::MinSpeedLimit, Settings::MaxSpeedLimit,
              settings.speedLimit > 0 ? std::min(settings.speedLimit, Settings::MaxSpeedLimit)
                                      : Settings::DefaultSpeedLimit);
    settings.connectionsPerTransfer =
        intIn(file, ConnectionsPerTransferKey, Settings::MinConnectionsPerTransfer,
              Settings::MaxConnectionsPerTransfer, Settings::DefaultConnectionsPerTransfer);
    settings.saveSubtitles = file.value(SaveSubtitlesKey, false).toBool();
    // QSettings reads "en,de" as a list of two.
    settings.subtitleLanguages =
        file.value(SubtitleLanguagesKey).toStringList().join(QLatin1Char(',')).toStdString();
}

bool SettingsStore::saveIni(const Settings& settings) const {
    // QSettings reads the file before it writes: never a FIFO.
    if (RegularFile::at(ini) == RegularFile::Found::Other) {
        qInfo("Could not write %s", ini.c_str());
        return false;
    }
    QSettings file(wide(ini), QSettings::IniFormat);
    file.setValue(NotifyKey, settings.notify);
    file.setValue(MaxRunningKey, settings.maxRunning);
    file.setValue(ConnectionsKey, settings.connections);
    file.setValue(SpeedLimitKey, settings.speedLimit);
    file.setValue(SpeedLimitRateKey, settings.speedLimitRate);
    file.setValue(ConnectionsPerTransferKey, settings.connectionsPerTransfer);
    file.setValue(SaveSubtitlesKey, settings.saveSubtitles);
    file.setValue(SubtitleLanguagesKey, wide(settings.subtitleLanguages));
    file.sync();
    // A FormatError is about what was read; the file was written afresh.
    if (file.status() != QSettings::AccessError)
        return true;
    qInfo("Could not write %s", ini.c_str());
    return false;
}

bool SettingsStore::save(const Settings& settings) const {
    // Its own file: whatever becomes of it, config.dat is saved as before.
    saveIni(settings);
    return saveConfig(settings);
}

bool SettingsStore::saveConfig(const Settings& settings) const {
    const QString path = wide(config);
    if (RegularFile::at(config) == RegularFile::Found::Other)
        return false;
    {
        // Same refusal as writing in place: a file we may not open for
        // writing is left alone (renaming over it would succeed).
        QFile probe(path);
        if (probe.exists() && !probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
    }
    const std::string text = configOf(settings).text();
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

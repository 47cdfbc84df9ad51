#pragma once

#include "ConfigFile.h"

#include <memory>
#include <string>

class Library;
class QTreeWidget;
class SettingsTab;

// The user's six settings, their file config.dat in the data folder, and the
// Settings tab binding; the settings config.dat has no line for live in
// quillmoth.ini beside it. One per process, window thread only.
class Settings {
public:
    // Loads config.dat (or writes the defaults), fills the tab and lists the
    // library from the two folders.
    Settings(SettingsTab* view, QTreeWidget* libView);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    bool loadSettingsFile();
    // One line without its line end; false when the line is refused.
    bool parseLine(const std::string& line);
    // Replaces config.dat as a whole, writes quillmoth.ini and lists the
    // library again under the saved folders and check boxes; false when
    // config.dat cannot be written (an ini that cannot be is only logged).
    bool saveSettings();
    bool areValidPaths() const;

    // Folders, without a trailing separator by default.
    const std::string& getMoviePath() const { return moviePath; }
    const std::string& getMp3Path() const { return mp3Path; }
    const std::string& getOutPath() const { return outPath; }
    const std::string& getConfigPath() const { return configPath; }
    // quillmoth.ini, beside config.dat.
    const std::string& getIniPath() const { return iniPath; }
    bool shouldConvertMovie() const { return convertMovie; }
    bool shouldShowMovies() const { return showMovies; }
    bool shouldShowMp3s() const { return showMp3s; }
    const std::string& getQualityText() const { return quality; }
    // Desktop notifications when a transfer or conversion ends.
    bool shouldNotify() const { return notify; }
    // How many transfers run at once, 1 to 8.
    int getMaxRunning() const { return maxRunning; }
    // 1 to 4 from the first character of the quality text.
    int getQuality() const;

    // Controls to settings; always true.
    bool grabViewValues();
    // Settings to controls.
    void updateUI();
    Library* getLibrary() const { return library.get(); }

    static constexpr const char* MOVIE_PATH_TKN = ConfigFile::MOVIE_PATH_TKN;
    static constexpr const char* MP3_PATH_TKN = ConfigFile::MP3_PATH_TKN;
    static constexpr const char* SHOW_MOVIE_TKN = ConfigFile::SHOW_MOVIE_TKN;
    static constexpr const char* SHOW_MP3_TKN = ConfigFile::SHOW_MP3_TKN;
    static constexpr const char* QUALITY_TKN = ConfigFile::QUALITY_TKN;
    static constexpr const char* CONVERT_TKN = ConfigFile::CONVERT_TKN;
    static constexpr int MAX_TOKEN_SIZE = ConfigFile::MAX_TOKEN_SIZE;
    static constexpr int MinRunning = 1;
    static constexpr int MaxRunning = 8;
    static constexpr int DefaultMaxRunning = 3;

    // Where a refused config.dat is kept, beside it.
    std::string refusedConfigPath() const { return configPath + ".bad"; }

    // The data folder ("<GenericDataLocation>/Quillmoth/").
    static std::string dataFolder();

private:
    void applyDefaults();
    // The six values as config.dat holds them, and back.
    ConfigFile values() const;
    void take(const ConfigFile& config);
    // Moves a refused config.dat aside and says so; an empty one (the first
    // start) is not worth keeping.
    void keepRefusedFile();
    void listLibrary();
    void loadIni();
    bool saveIni() const;

    std::string moviePath;
    std::string mp3Path;
    bool showMovies = true;
    bool showMp3s = true;
    bool convertMovie = false;
    std::string quality = "4";
    std::string outPath;
    std::string configPath;
    bool notify = true;
    int maxRunning = DefaultMaxRunning;
    std::string iniPath;
    SettingsTab* view;
    std::unique_ptr<Library> library;
};

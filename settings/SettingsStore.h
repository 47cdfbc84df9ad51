#pragma once

#include "settings/Settings.h"

#include <QString>

#include <string>
#include <vector>

// Where Settings live: config.dat (six "key;value" lines, CR LF, in the
// format the program has always written) and quillmoth.ini for the rest and
// for the folders saved into, both in the data folder. Window thread only.
class SettingsStore {
public:
    // The data folder ("<GenericDataLocation>/Quillmoth/").
    static std::string userDataFolder();

    // dataFolder ends with "/"; it is created when missing.
    explicit SettingsStore(std::string dataFolder = userDataFolder());

    // The defaults of a first start: a Quillmoth folder in the desktop's
    // Videos and in its Music folder.
    Settings defaults() const;
    // Reads both files. A config.dat that is missing or refused gives the
    // defaults, whose folders are made and which are written at once; a
    // refused one is first kept as config.dat.bad, and takeMessage() says so.
    // Either file that is not a regular file is kept aside the same way.
    // quillmoth.ini values that cannot be read or are out of range take
    // their defaults.
    Settings load();
    // Replaces config.dat as a whole and writes quillmoth.ini; false when
    // config.dat cannot be written (an ini that cannot be is only logged).
    bool save(const Settings& settings) const;
    // Every folder the program has saved files into, as remembered in
    // quillmoth.ini: My Library lists them beside today's two.
    std::vector<std::string> savedFolders() const;
    // Remembers more such folders, at once; false when quillmoth.ini could
    // not be written.
    bool rememberFolders(const std::vector<std::string>& folders) const;
    // What load() has to tell the user, once; empty for nothing.
    std::string takeMessage();

    // Only regular files are opened: anything else at path (a FIFO would
    // block the start for ever) is moved aside to path + ".bad" and said in
    // said, keptText with %1 for where it went. False when it could not be
    // moved: then nothing may open path.
    static bool setAsideIfNotFile(const std::string& path, const QString& keptText,
                                  std::string& said);

    const std::string& dataFolder() const { return folder; }
    const std::string& configPath() const { return config; }
    const std::string& iniPath() const { return ini; }
    // Where a refused config.dat is kept, beside it.
    std::string refusedConfigPath() const { return config + ".bad"; }

private:
    void loadIni(Settings& settings) const;
    bool saveIni(const Settings& settings) const;
    bool saveConfig(const Settings& settings) const;
    void keepRefusedConfig();
    // Adds text to what is to be said, as a paragraph of its own.
    static void say(std::string& said, const std::string& text);

    std::string folder;
    std::string config;
    std::string ini;
    std::string message;
};

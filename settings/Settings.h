#pragma once

#include <string>

// Every setting the user can change, as a plain value: the six config.dat
// has always held, and those kept in quillmoth.ini beside it. SettingsStore
// loads and saves it; the Settings tab shows and edits it.
struct Settings {
    static constexpr int HighestQuality = 1;
    static constexpr int LowQuality = 4;
    static constexpr int MinRunning = 1;
    static constexpr int MaxRunning = 8;
    static constexpr int DefaultMaxRunning = 3;
    static constexpr int MaxConnections = 8;
    static constexpr int MinConnectionsPerTransfer = 1;
    static constexpr int MaxConnectionsPerTransfer = 16;
    static constexpr int DefaultConnectionsPerTransfer = 4;
    // The speed limit's range and first value in kB/s (1000 bytes a second).
    static constexpr int MinSpeedLimit = 1;
    static constexpr int MaxSpeedLimit = 10000000;
    static constexpr int DefaultSpeedLimit = 500;

    // Folders, without a trailing separator.
    std::string movieFolder;
    std::string musicFolder;
    // 1 (highest) to 4 (low, the smallest stream).
    int quality = LowQuality;
    // Every saved movie is converted to MP3.
    bool convertToMp3 = false;
    // Which kinds of files My Library lists.
    bool showMovies = true;
    bool showMusic = true;
    // Desktop notifications when a transfer or conversion ends.
    bool notify = true;
    // How many transfers run at once, MinRunning to MaxRunning.
    int maxRunning = DefaultMaxRunning;
    // Connections per file, 1 to MaxConnections; read and kept for the
    // transfers that split a file.
    int connections = 1;
    // How many connections one file is fetched over when its server allows
    // it, MinConnectionsPerTransfer to MaxConnectionsPerTransfer.
    int connectionsPerTransfer = DefaultConnectionsPerTransfer;
    // Download speed limit over all transfers together in kB/s (1000 bytes
    // a second); 0 is none.
    int speedLimit = 0;
    // The limit's rate as last chosen, kept while the limit is off so that
    // turning it on again finds it.
    int speedLimitRate = DefaultSpeedLimit;
    // Subtitle tracks are saved beside each movie downloaded.
    bool saveSubtitles = false;
    // Their languages as comma-separated codes ("en,pt-BR"); empty: every
    // one. Kept while saving is off, so that turning it on again finds them.
    std::string subtitleLanguages;

    bool operator==(const Settings&) const = default;
};

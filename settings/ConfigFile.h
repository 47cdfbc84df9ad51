#pragma once

#include <string>

// The text of config.dat: one "key;value" setting per line. Plain C++ (no
// Qt), so that the reading rules can be tested and fuzzed on their own;
// Settings keeps the values it reads and writes through this class.
class ConfigFile {
public:
    static constexpr const char* MOVIE_PATH_TKN = "moviePath";
    static constexpr const char* MP3_PATH_TKN = "mp3Path";
    static constexpr const char* SHOW_MOVIE_TKN = "showMovies";
    static constexpr const char* SHOW_MP3_TKN = "showMp3s";
    static constexpr const char* QUALITY_TKN = "quality";
    static constexpr const char* CONVERT_TKN = "convert";
    // A key is looked for in the first MAX_TOKEN_SIZE characters of a line.
    static constexpr int MAX_TOKEN_SIZE = 32;

    // One line without its line end; false when the line is refused (an
    // unknown key), and then nothing changes. An empty line is accepted.
    bool parseLine(const std::string& line);
    // The whole text of a file: every LF ends a line (one CR before it is
    // dropped), and whatever follows the last LF (possibly nothing) is one
    // more line. Every line is read, also after a refused one; true when
    // none was refused and there were at least six lines.
    bool parseText(const std::string& contents);
    // Reads the file and parses its text; false when it is not a regular
    // file (never waiting on a FIFO), cannot be read or its text is refused.
    bool load(const std::string& path);
    // The file's text: the six settings in their fixed order, CR LF ends.
    std::string text() const;

    bool operator==(const ConfigFile&) const = default;

    std::string moviePath;
    std::string mp3Path;
    bool showMovies = true;
    bool showMp3s = true;
    bool convertMovie = false;
    std::string quality = "4";
};

#include "settings/ConfigFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ConfigFile::parseLine(const std::string& line) {
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

bool ConfigFile::parseText(const std::string& contents) {
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

bool ConfigFile::load(const std::string& path) {
    // O_NONBLOCK: a FIFO at the name must not hold the open up; only a
    // regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    std::string contents;
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char buffer[4096];
    while (read) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            read = got == 0;
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return read && parseText(contents);
}

std::string ConfigFile::text() const {
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
    return text;
}

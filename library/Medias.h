#pragma once

#include <string>

// Writes the player page for a library file and keeps the address the Home
// pane shows next. Class-wide state only; window thread only.
class Medias {
public:
    Medias() = delete;

    // Address shown in the Home pane after "play" or "manage".
    static std::string loc;
    // Working directory (ends with "/"): the folder of jwplayer.js and
    // player.swf. Captured on the first play.
    static std::string currentWorkingPath;
    // Data folder (ends with "/"): the folder of the page. Captured on the
    // first play.
    static std::string currentPath;

    static void createMovie(const std::string& title, const std::string& folder,
                            const std::string& type, const std::string& dataFolder);
    static void createMov(const std::string& title, const std::string& folder,
                          const std::string& type);

    // Media types by their extension, whatever its letter case: a file listed
    // as "Clip.MP4" plays like "Clip.mp4".
    static bool isMovieType(const std::string& type);
    static bool isMusicType(const std::string& type);

    // file:// URL of a path made absolute, every byte outside the unreserved
    // set and "/" percent-encoded. What is left (letters, digits, "-._~/%:")
    // needs no escaping in an HTML attribute or a JavaScript string.
    static std::string fileUrl(const std::string& path);
    // The URL of a path as it stands in an HTML attribute.
    static std::string sw(const std::string& path);
    // The URL of a path as it stands in a JavaScript string.
    static std::string sw2(const std::string& path);

private:
    static std::string mediaPath(const std::string& title, const std::string& folder,
                                 const std::string& type);
    static std::string pagePath();
    static void writePage(const std::string& text);
};

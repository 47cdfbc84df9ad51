#pragma once

#include <string>

// The files settings live in are read and written only when they are
// regular files: opening a FIFO waits for a writer for ever, and a folder or
// a device holds no settings. Anything else at such a name is set aside.
class RegularFile {
public:
    enum class Found { Nothing, Regular, Other };

    // What path names, following links (a dangling link is Nothing).
    static Found at(const std::string& path);
    // Moves what is at path (never through a link) to path + ".bad",
    // replacing a file there; false when it stays where it is.
    static bool setAside(const std::string& path);
    static std::string asidePath(const std::string& path) { return path + ".bad"; }
};

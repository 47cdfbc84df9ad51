#pragma once

#include <cstdint>
#include <string>

// Whether a finished transfer's saved files are still where they were
// saved, looked for on any thread (a folder on the network may take its
// time to answer) and handed back to the list on the window's.
struct FileLook {
    std::int64_t id = 0;
    std::string moviePath;
    std::string mp3Path;
    bool movieGone = false;
    bool mp3Gone = false;

    // Any thread.
    void look();
    // Whether path names no regular file (an empty one names none to miss).
    static bool missing(const std::string& path);
};

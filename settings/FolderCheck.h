#pragma once

#include <string>

// Whether a download folder can take files, checked when the settings are
// saved rather than found out at the next download.
class FolderCheck {
public:
    enum class State { Ready, Empty, Missing, NotAFolder, NotWritable };

    // Ready only when a file can be created in it (a read-only mount or
    // missing permissions refuse, also for root).
    static State of(const std::string& path);
    // Makes the folder and its parents; true when it exists afterwards.
    static bool create(const std::string& path);
};

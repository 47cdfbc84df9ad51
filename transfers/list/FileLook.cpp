#include "FileLook.h"

#include <filesystem>
#include <system_error>

void FileLook::look() {
    movieGone = missing(moviePath);
    mp3Gone = missing(mp3Path);
}

bool FileLook::missing(const std::string& path) {
    std::error_code error;
    return !path.empty() && !std::filesystem::is_regular_file(path, error);
}

#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// The parts of a path joined by "/": its folder, its file name, and a file
// name's title and extension (from its last ".", the dot included).
namespace FilePath {

// "." for a bare name, "/" for a file at the root.
inline std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

inline std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where path's extension begins: its file name's last ".", or path's end
// when the name has none (a dot in a folder's name is no extension).
inline std::string::size_type extensionAt(std::string_view path) {
    const auto slash = path.rfind('/');
    const auto nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = path.rfind('.');
    return dot == std::string_view::npos || dot < nameStart ? path.size() : dot;
}

// The temporary folder ($TMPDIR, else /tmp): where cover pictures are
// made, and where a killed run's are looked for.
inline std::string temporaryFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

} // namespace FilePath

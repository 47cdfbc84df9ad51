#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The title a transfer's files are named after: the headline a watch page
// shows, and any title (found or typed) made safe as one file name.
class PageTitle {
public:
    // The headline as the page shows it (character references decoded),
    // cleaned as safe() does, ";" and "|" blanked, cut to 42 characters.
    // Nothing when the page holds no title (the caller keeps the one it
    // had); a found title may be empty. Any byte, NUL included, is page
    // text. Called on the window's thread as well as by jobs.
    static std::optional<std::string> find(std::string_view html);

    // A title made safe as a file name: control characters, NUL and "/"
    // become blanks, bidirectional controls go, leading blanks and dots and
    // trailing blanks go, and it is cut (at a character boundary) to
    // maxSafeBytes. "video" when nothing is left.
    static std::string safe(std::string title);

    // The same title as people read it, in the list and the MP3's tag:
    // cleaned as safe() does but not cut to a file name's length, only to
    // maxReadableBytes (far beyond any headline, and well inside what one
    // argument of ffmpeg's may hold). "video" when nothing is left.
    static std::string readable(std::string_view title);
    static constexpr std::size_t maxReadableBytes = std::size_t{16} << 10;

    // Longest safe title in bytes: ".flv" and a temporary name's extra
    // bytes must still fit the file system's name limit.
    static const std::size_t maxSafeBytes;
};

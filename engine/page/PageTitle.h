#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The title of a transfer: the headline a watch page shows, and any title
// (found or typed) as people read it. FileTitle makes it a file name.
class PageTitle {
public:
    // The headline as the page shows it (character references decoded),
    // cleaned as FileTitle::safe does, ";" and "|" blanked, cut to 42 characters.
    // Nothing when the page holds no title (the caller keeps the one it
    // had); a found title may be empty. Any byte, NUL included, is page
    // text. Called on the window's thread as well as by jobs.
    static std::optional<std::string> find(std::string_view html);

    // The same title as people read it, in the list and the MP3's tag:
    // cleaned as FileTitle::safe does but not cut to a file name's length, only to
    // maxReadableBytes (far beyond any headline, and well inside what one
    // argument of ffmpeg's may hold). "video" when nothing is left.
    static std::string readable(std::string_view title);
    static constexpr std::size_t maxReadableBytes = std::size_t{16} << 10;
};

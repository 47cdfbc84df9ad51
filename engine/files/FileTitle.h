#pragma once

#include <cstddef>
#include <string>

// A title (found on a page or typed) made safe as one file name.
class FileTitle {
public:
    // Control characters, NUL and "/" become blanks, bidirectional controls
    // go, leading blanks and dots and trailing blanks go, and it is cut (at
    // a character boundary) to maxSafeBytes. "video" when nothing is left.
    static std::string safe(std::string title);

    // Longest safe title in bytes: ".flv" and a temporary name's extra
    // bytes must still fit the file system's name limit.
    static const std::size_t maxSafeBytes;
};

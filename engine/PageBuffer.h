#pragma once

#include <cstddef>
#include <string>

// Target of the page writer: the page received so far, its bound, and
// whether the writer refused it for outgrowing that (libcurl reports only a
// write error, which could have other causes).
struct PageBuffer {
    std::string& text;
    std::size_t limit;
    bool tooLarge = false;
};

#pragma once

#include <string>

// Target of the page writer: the page received so far, and whether the
// writer refused it for outgrowing DownloadJob::maxPageBytes (libcurl reports only
// a write error, which could have other causes).
struct PageBuffer {
    std::string& text;
    bool tooLarge = false;
};

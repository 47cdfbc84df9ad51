#pragma once

#include <string>

// What an MP3 is tagged with (ID3v2): its title (TIT2), the watch page's
// address as its comment, and the page's picture as the front cover (APIC).
// Each value reaches ffmpeg as one argument of its own; none is ever an
// option or a path it opens but the cover, a JPEG file of ours.
struct Mp3Tags {
    std::string title;
    std::string comment;
    // The cover's JPEG file; empty: no cover.
    std::string cover;
};

#pragma once

#include "Track.h"

#include <string>
#include <vector>

// A hash of the segments a stream's tracks list, so that a resumed save can
// tell the list it began from another. Each address counts without its
// query and fragment: signed addresses change from one visit to the next
// while naming the same bytes. Ranges, durations (to the millisecond), IVs
// and what each track holds count too.
class SegmentListFingerprint {
public:
    // 64 hex digits (SHA-256).
    static std::string of(const std::vector<Track>& tracks);
};

#pragma once

#include <cstddef>
#include <vector>

// The app's quality rule over any list of streams (a page's sources, an HLS
// playlist's variants, a DASH manifest's representations): among the videos
// (the sounds when there are none), 4 the smallest, 1 the largest, 2 the
// largest at or under 720 lines, 3 at or under 480 (the smallest when none
// is), by lines, else bandwidth; with neither known, the first.
class QualityChoice {
public:
    struct Candidate {
        bool audio = false;
        long long lines = 0;
        long long bandwidth = 0;
    };

    // An index into candidates, which must not be empty.
    static std::size_t choose(const std::vector<Candidate>& candidates, int quality);
};

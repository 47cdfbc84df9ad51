#pragma once

#include "StreamContainer.h"
#include "StreamSegment.h"

#include <vector>

// One track of a stream to save: its segments in order and what they hold.
// Its part file is its init sections and segments as they come, clear.
struct Track {
    enum class Content { Picture, Sound, Both };

    Content content = Content::Both;
    StreamContainer container = StreamContainer::MpegTs;
    std::vector<StreamSegment> inits;
    std::vector<StreamSegment> segments;
    // The sum of its segments' durations.
    double seconds = 0;
    // Bits a second, as the manifest announces; 0 when it does not.
    long long bandwidth = 0;

    // The most bytes its segments may bring: the ranges' own lengths, and
    // for the rest the announced bandwidth (fallbackBandwidth when none)
    // over the duration, times byteMargin, plus byteSlack. A fetch that
    // goes past it fails.
    long long byteBound() const;

    static constexpr long long fallbackBandwidth = 40'000'000;
    static constexpr double byteMargin = 2.0;
    static constexpr long long byteSlack = 16LL << 20;
};

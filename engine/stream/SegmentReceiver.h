#pragma once

#include "files/ResumeState.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Where a stream's segments go once checked and clear: each track's part
// file, written in the track's order; what is on disk recorded to continue
// later; whether to stop. The queue knows no files or jobs. Called on the
// job's worker thread only.
class SegmentReceiver {
public:
    using Done = ResumeState::Segments::Prefix;

    virtual ~SegmentReceiver() = default;

    // The next clear bytes of track (an init section or a segment); false
    // when they could not be written, which ends the fetch.
    virtual bool append(std::size_t track, std::string_view clear) = 0;
    // Per track, what its part file holds now: made sure to be on disk,
    // then recorded, so that a later job continues from it.
    virtual void record(const std::vector<Done>& done) = 0;
    // Bytes the stream comes to (estimated until every size is known) and
    // how many are here. Called often: pace it.
    virtual void progress(std::int64_t total, std::int64_t now) = 0;
    // Asked to stop (cancel or pause): the fetch ends.
    virtual bool stopping() const = 0;
};

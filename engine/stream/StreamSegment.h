#pragma once

#include "page/SegmentRef.h"
#include "stream/SegmentKey.h"

#include <cstddef>
#include <optional>

// One request of a track: a media segment or an init section.
struct StreamSegment {
    SegmentRef part;
    double seconds = 0; // 0 for an init section
    // Encrypted with it (AES-128-CBC); none when clear.
    std::optional<SegmentKey> key;
    // The init section it needs, an index into its track's inits; none
    // without (and for an init section itself).
    std::optional<std::size_t> init;
    // A whole file is fetched as pieces of it: only the first starts its
    // container, and none ends where a segment would.
    enum class Piece { Whole, First, Later } piece = Piece::Whole;
};

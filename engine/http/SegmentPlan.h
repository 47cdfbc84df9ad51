#pragma once

#include "ByteRanges.h"

#include <map>
#include <optional>

// Which connection fetches which bytes of a file fetched over several: the
// bytes on disk, and the piece each connection is fetching. A connection
// without a piece takes the first bytes nobody fetches; when there are none,
// it takes over the back half of the largest piece still being fetched, so
// that one slow connection never holds up the end, as long as each half
// keeps minPiece bytes. Used on the job's worker thread only.
class SegmentPlan {
public:
    using Span = ByteRanges::Span;

    SegmentPlan(long long total, ByteRanges done, long long minPiece);

    // A piece for connection id, which has none; nothing when there is
    // nothing left to take.
    std::optional<Span> take(int id);
    // Connection id has a piece, [next(id), end(id)): end moves back when
    // another takes over its back half.
    bool has(int id) const { return pieces_.count(id) != 0; }
    long long next(int id) const;
    long long end(int id) const;
    // Connection id wrote n bytes at its next(id), all within its piece.
    void wrote(int id, long long n);
    // Connection id stops fetching its piece: whatever of it is not on disk
    // goes back to the others (nothing when it was whole).
    void release(int id);
    // Whether id's piece is on disk.
    bool finished(int id) const { return next(id) >= end(id); }

    const ByteRanges& done() const { return done_; }
    bool whole() const { return done_.covers(total_); }
    long long total() const { return total_; }

private:
    struct Piece {
        long long next = 0;
        long long end = 0;
    };
    std::optional<Span> unclaimed() const;

    long long total_;
    long long minPiece_;
    ByteRanges done_;
    std::map<int, Piece> pieces_;
};

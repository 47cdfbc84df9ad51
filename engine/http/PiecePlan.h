#pragma once

#include "ByteRanges.h"

#include <functional>
#include <map>
#include <optional>

// Which connection fetches which bytes of a file fetched in pieces: the
// bytes on disk, and the piece each connection is fetching. A connection
// without a piece takes the first bytes nobody fetches, at most maxPiece of
// them (a connection fetches several pieces one after the other, each a
// request of its own on the same connection). When there are none, it takes
// over from an owner the judge says is behind: the back half of its piece
// when each half keeps minPiece bytes, else all that is left of it, so that
// one slow connection never holds up the end. Used on one thread only.
class PiecePlan {
public:
    using Span = ByteRanges::Span;

    // maxPiece 0: no bound.
    PiecePlan(long long total, ByteRanges done, long long minPiece, long long maxPiece = 0);

    // Whether the connection owner, with left bytes of its piece still to
    // fetch, is so far behind that another should take over some of them.
    using Behind = std::function<bool(int owner, long long left)>;
    // A piece for connection id, which has none; nothing when there is
    // nothing left to take. Without behind, every owner is.
    std::optional<Span> take(int id, const Behind& behind = {});
    // Connection id has a piece, [next(id), end(id)): end moves back when
    // another takes over some of it.
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
    long long maxPiece_;
    ByteRanges done_;
    std::map<int, Piece> pieces_;
};

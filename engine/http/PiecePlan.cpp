#include "PiecePlan.h"

#include <utility>

namespace {

// Halves fall on page boundaries, so that no page is written by two
// connections at once.
constexpr long long pageBytes = 4096;

} // namespace

PiecePlan::PiecePlan(long long total, ByteRanges done, long long minPiece, long long maxPiece)
    : total_(total), minPiece_(minPiece > 0 ? minPiece : 1), maxPiece_(maxPiece),
      done_(std::move(done)) {}

long long PiecePlan::next(int id) const {
    const auto it = pieces_.find(id);
    return it == pieces_.end() ? 0 : it->second.next;
}

long long PiecePlan::end(int id) const {
    const auto it = pieces_.find(id);
    return it == pieces_.end() ? 0 : it->second.end;
}

std::optional<PiecePlan::Span> PiecePlan::unclaimed() const {
    ByteRanges claimed = done_;
    for (const auto& [id, piece] : pieces_)
        claimed.add(piece.next, piece.end);
    const std::vector<Span> gaps = claimed.missing(total_);
    if (gaps.empty())
        return std::nullopt;
    return gaps.front();
}

std::optional<PiecePlan::Span> PiecePlan::take(int id, const Behind& behind) {
    if (has(id))
        return Span{next(id), end(id)};
    std::optional<Span> span = unclaimed();
    if (span && maxPiece_ > 0 && span->size() > maxPiece_)
        span->to = span->from + maxPiece_;
    if (!span) {
        // The largest piece left of an owner that is behind.
        auto largest = pieces_.end();
        for (auto it = pieces_.begin(); it != pieces_.end(); ++it) {
            const long long left = it->second.end - it->second.next;
            if (left > 0 &&
                (largest == pieces_.end() || left > largest->second.end - largest->second.next) &&
                (!behind || behind(it->first, left)))
                largest = it;
        }
        if (largest == pieces_.end())
            return std::nullopt;
        Piece& piece = largest->second;
        // Its back half when both halves are worth a connection, else all
        // of it: the owner has nothing left, and its transfer ends at its
        // next bytes.
        long long middle = piece.next + (piece.end - piece.next) / 2;
        middle -= middle % pageBytes;
        if (piece.end - piece.next < 2 * minPiece_ || middle <= piece.next)
            middle = piece.next;
        span = Span{middle, piece.end};
        if (middle == piece.next)
            pieces_.erase(largest);
        else
            piece.end = middle;
    }
    pieces_[id] = Piece{span->from, span->to};
    return span;
}

void PiecePlan::wrote(int id, long long n) {
    const auto it = pieces_.find(id);
    if (it == pieces_.end() || n <= 0)
        return;
    done_.add(it->second.next, it->second.next + n);
    it->second.next += n;
}

void PiecePlan::release(int id) {
    pieces_.erase(id);
}

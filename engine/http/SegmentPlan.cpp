#include "SegmentPlan.h"

#include <utility>

namespace {

// Splits fall on page boundaries, so that no page is written by two
// connections.
constexpr long long pageBytes = 4096;

} // namespace

SegmentPlan::SegmentPlan(long long total, ByteRanges done, long long minPiece, long long maxPiece)
    : total_(total), minPiece_(minPiece > 0 ? minPiece : 1), maxPiece_(maxPiece),
      done_(std::move(done)) {}

long long SegmentPlan::next(int id) const {
    const auto it = pieces_.find(id);
    return it == pieces_.end() ? 0 : it->second.next;
}

long long SegmentPlan::end(int id) const {
    const auto it = pieces_.find(id);
    return it == pieces_.end() ? 0 : it->second.end;
}

std::optional<SegmentPlan::Span> SegmentPlan::unclaimed() const {
    ByteRanges claimed = done_;
    for (const auto& [id, piece] : pieces_)
        claimed.add(piece.next, piece.end);
    const std::vector<Span> gaps = claimed.missing(total_);
    if (gaps.empty())
        return std::nullopt;
    return gaps.front();
}

std::optional<SegmentPlan::Span> SegmentPlan::take(int id, const Slow& slow) {
    if (has(id))
        return Span{next(id), end(id)};
    std::optional<Span> span = unclaimed();
    if (span && maxPiece_ > 0 && span->size() > maxPiece_)
        span->to = span->from + maxPiece_;
    if (!span) {
        // The back half of the largest piece left, if both halves are worth
        // a connection.
        Piece* largest = nullptr;
        for (auto& [owner, piece] : pieces_)
            if ((!largest || piece.end - piece.next > largest->end - largest->next) &&
                (!slow || slow(owner, piece.end - piece.next)))
                largest = &piece;
        if (!largest || largest->end - largest->next < 2 * minPiece_)
            return std::nullopt;
        long long middle = largest->next + (largest->end - largest->next) / 2;
        middle -= middle % pageBytes;
        if (middle <= largest->next)
            return std::nullopt;
        span = Span{middle, largest->end};
        largest->end = middle;
    }
    pieces_[id] = Piece{span->from, span->to};
    return span;
}

void SegmentPlan::wrote(int id, long long n) {
    const auto it = pieces_.find(id);
    if (it == pieces_.end() || n <= 0)
        return;
    done_.add(it->second.next, it->second.next + n);
    it->second.next += n;
}

void SegmentPlan::release(int id) {
    pieces_.erase(id);
}

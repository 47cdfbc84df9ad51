#include "FileInPieces.h"

#include "HostBudget.h"
#include "PieceReceiver.h"

#include <algorithm>
#include <utility>

namespace {

constexpr long long pageBytes = 4096;
// An owner is far behind when it would still need longer than this for its
// piece, at under half the pace of the fastest connection.
constexpr double behindSeconds = 1;
constexpr double behindShare = 0.5;

// Two pieces a connection: each asks twice, on the same connection, which
// costs a request and gains a server's first second of each (nginx's
// limit_rate lets a request's first second through at once).
long long maxPieceOf(long long total, int connections) {
    const long long share = total / (2LL * std::max(connections, 1)) + pageBytes - 1;
    return std::max(FileInPieces::minPiece, share - share % pageBytes);
}

} // namespace

FileInPieces::FileInPieces(std::string url, std::string validator, long long total,
                           const ByteRanges& done, const FetchBounds& bounds,
                           PieceReceiver& receiver, int connections)
    : url_(std::move(url)), host_(HostBudget::hostOf(url_)), validator_(std::move(validator)),
      bounds_(bounds), receiver_(receiver),
      plan_(total, done, minPiece, maxPieceOf(total, connections)) {}

ConnectionPool::Outcome FileInPieces::fetch(ConnectionPool& pool) {
    recorded_ = plan_.done().bytes();
    recordedAt_ = Clock::now();
    const ConnectionPool::Outcome outcome = pool.run(*this);
    receiver_.progress(plan_.total(), plan_.done().bytes());
    // What the next job continues from; a start over keeps nothing.
    if (outcome != ConnectionPool::Outcome::StartOver && plan_.done().bytes() != recorded_)
        record();
    return outcome;
}

std::string FileInPieces::host() const {
    return host_;
}

bool FileInPieces::take(int id, const std::vector<Pace>& paces) {
    double fastest = 0;
    for (const Pace& pace : paces)
        if (pace.known)
            fastest = std::max(fastest, pace.bytesPerSecond);
    // A connection that waits to try again is behind; one whose pace is not
    // known yet is not. A fast one's bytes are on their way already: what
    // it brings past a cut is fetched twice.
    const PiecePlan::Behind behind = [&paces, fastest](int owner, long long left) {
        const Pace& pace = paces[static_cast<std::size_t>(owner)];
        if (pace.waiting)
            return true;
        if (!pace.running || !pace.known)
            return false;
        const double perSecond = pace.bytesPerSecond;
        const bool slower = perSecond < fastest * behindShare;
        const bool farFromEnd = static_cast<double>(left) > perSecond * behindSeconds;
        return slower && farFromEnd;
    };
    return plan_.take(id, behind).has_value();
}

HttpRequest FileInPieces::request(int id) const {
    // A piece cut meanwhile asks only for what is left of it.
    HttpRequest request = HttpRequest::body(url_, bounds_);
    request.piece(plan_.next(id), plan_.end(id), validator_, plan_.total());
    return request;
}

bool FileInPieces::begins(int, const HttpResponse& head) {
    return head.fit == HttpResponse::Fit::Append;
}

// Runs on the pool's thread (its write callback).
std::size_t FileInPieces::write(int id, const char* data, std::size_t n) {
    const long long room = plan_.end(id) - plan_.next(id);
    // Its piece was taken over and is whole: the rest is another's.
    if (room <= 0)
        return 0;
    const auto k = static_cast<std::size_t>(std::min<long long>(room, static_cast<long long>(n)));
    if (!receiver_.write(plan_.next(id), data, k)) {
        writeFailed_ = true;
        return 0;
    }
    plan_.wrote(id, static_cast<long long>(k));
    // Fewer than offered ends the transfer where the piece ends.
    return k;
}

FetchPlan::Verdict FileInPieces::ended(int id, const HttpResponse& response) {
    if (writeFailed_)
        return Verdict::WriteFailed;
    // Nothing is left from the piece's start on: the file is shorter now.
    if (response.failure == HttpResponse::Failure::ErrorStatus && response.status == 416)
        return Verdict::StartOver;
    // Whole, or taken over by another connection.
    if (plan_.finished(id)) {
        plan_.release(id);
        return Verdict::Done;
    }
    return Verdict::Again;
}

bool FileInPieces::stopping() const {
    return receiver_.stopping();
}

void FileInPieces::tick() {
    receiver_.progress(plan_.total(), plan_.done().bytes());
    const Clock::time_point now = Clock::now();
    if (now - recordedAt_ >= recordEvery && plan_.done().bytes() != recorded_)
        record();
}

void FileInPieces::record() {
    receiver_.record(plan_.done());
    recorded_ = plan_.done().bytes();
    recordedAt_ = Clock::now();
}

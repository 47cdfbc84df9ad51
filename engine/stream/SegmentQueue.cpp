#include "stream/SegmentQueue.h"

#include "http/HostBudget.h"
#include "stream/Aes128.h"
#include "stream/SegmentCheck.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

using Verdict = FetchPlan::Verdict;

} // namespace

SegmentQueue::SegmentQueue(const std::vector<Track>& tracks, std::vector<Done> done,
                           std::map<std::string, std::string> keys, const FetchBounds& bounds,
                           SegmentReceiver& receiver, int connections)
    : tracks_(tracks), done_(std::move(done)), keys_(std::move(keys)), bounds_(bounds),
      receiver_(receiver), connections_(std::max(connections, 1)) {
    done_.resize(tracks_.size());
    // Every unit left, with the time it starts at in its track.
    std::vector<std::pair<double, Unit>> timed;
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
        const Track& track = tracks_[t];
        bound_ += track.byteBound();
        resumedBytes_ += done_[t].bytes;
        double start = 0;
        for (std::size_t i = 0; i < track.segments.size(); ++i) {
            const StreamSegment& segment = track.segments[i];
            if (i >= done_[t].count) {
                // An init section goes before the first segment that needs it.
                const bool newInit = segment.init && *segment.init < track.inits.size() &&
                                     (i == 0 || track.segments[i - 1].init != segment.init);
                if (newInit)
                    timed.push_back({start, Unit{.track = t,
                                                 .part = &track.inits[*segment.init],
                                                 .segment = i,
                                                 .init = true}});
                timed.push_back({start, Unit{.track = t, .part = &segment, .segment = i}});
            }
            start += segment.seconds;
        }
    }
    std::stable_sort(timed.begin(), timed.end(), [](const auto& a, const auto& b) {
        return a.first < b.first || (a.first == b.first && a.second.track < b.second.track);
    });
    order_.resize(tracks_.size());
    nextWrite_.assign(tracks_.size(), 0);
    rates_.resize(tracks_.size());
    units_.reserve(timed.size());
    for (auto& [start, unit] : timed) {
        unit.place = order_[unit.track].size();
        order_[unit.track].push_back(units_.size());
        units_.push_back(std::move(unit));
    }
    if (!units_.empty())
        host_ = HostBudget::hostOf(units_.front().part->part.url);
}

ConnectionPool::Outcome SegmentQueue::fetch(ConnectionPool& pool) {
    recorded_ = done_;
    recordedAt_ = Clock::now();
    const ConnectionPool::Outcome outcome = pool.run(*this);
    report();
    if (done_ != recorded_)
        record();
    return outcome;
}

std::size_t SegmentQueue::window() const {
    return 2 * static_cast<std::size_t>(connections_) + 2;
}

std::string SegmentQueue::host() const {
    return host_;
}

bool SegmentQueue::take(int id, const std::vector<Pace>&) {
    // Each track runs at most window() ahead of its own first unit not
    // written: a track of small segments (the sound's) does not use up the
    // room of the others.
    const std::size_t end = std::min(units_.size(), firstUnwritten_ + window() * order_.size());
    for (std::size_t i = firstUnwritten_; i < end; ++i) {
        Unit& unit = units_[i];
        if (unit.state != Unit::State::Waiting || unit.place >= nextWrite_[unit.track] + window())
            continue;
        unit.state = Unit::State::Taken;
        estimated_ = false;
        unit.owner = id;
        unit.bytes.clear();
        unit.refused = false;
        owned_[id] = i;
        return true;
    }
    return false;
}

bool SegmentQueue::has(int id) const {
    return owned_.count(id) != 0;
}

HttpRequest SegmentQueue::request(int id) const {
    const SegmentRef& part = units_[owned_.at(id)].part->part;
    HttpRequest request = HttpRequest::body(part.url, bounds_);
    if (part.range)
        request.segment(part.range->offset, part.range->offset + part.range->length);
    return request;
}

bool SegmentQueue::begins(int id, const HttpResponse& head) {
    Unit& unit = units_[owned_.at(id)];
    unit.announced = head.length;
    estimated_ = false;
    // Another status than the one asked for is never read: the check at
    // the end says why it did not count.
    unit.refused = head.status != (unit.part->part.range ? 206 : 200);
    unit.status = head.status;
    return true;
}

// Runs on the pool's thread (its write callback).
std::size_t SegmentQueue::write(int id, const char* data, std::size_t n) {
    Unit& unit = units_[owned_.at(id)];
    if (unit.refused)
        return 0;
    const auto size = static_cast<long long>(unit.bytes.size() + n);
    const SegmentRef& part = unit.part->part;
    if ((part.range && size > part.range->length) || (unit.announced >= 0 && size > unit.announced))
        return 0;
    if (resumedBytes_ + taken_ + arriving_ + static_cast<long long>(n) > bound_) {
        failure_ = Failure::TooLarge;
        return 0;
    }
    unit.bytes.append(data, n);
    arriving_ += static_cast<long long>(n);
    return n;
}

Verdict SegmentQueue::ended(int id, const HttpResponse& response) {
    if (writeFailed_)
        return Verdict::WriteFailed;
    if (failure_ != Failure::None)
        return Verdict::Failed;
    Unit& unit = units_[owned_.at(id)];
    if (!response.ok())
        return refetch(unit);
    return accept(unit, response);
}

Verdict SegmentQueue::refetch(Unit& unit) {
    arriving_ -= static_cast<long long>(unit.bytes.size());
    std::string().swap(unit.bytes);
    if (++unit.tries >= maxTries) {
        failure_ = Failure::Segment;
        return Verdict::Failed;
    }
    return Verdict::Again;
}

Verdict SegmentQueue::accept(Unit& unit, const HttpResponse& response) {
    const SegmentRef& part = unit.part->part;
    const int status = static_cast<int>(response.status ? response.status : unit.status);
    if (SegmentCheck::answer({status, unit.announced, unit.bytes}, part.range) !=
        SegmentCheck::Verdict::Ok)
        return refetch(unit);
    const Track& track = tracks_[unit.track];
    const auto wire = static_cast<long long>(unit.bytes.size());
    std::string clear;
    if (const std::optional<SegmentKey>& key = unit.part->key) {
        const auto found = keys_.find(key->url);
        if (found == keys_.end()) {
            failure_ = Failure::Key;
            return Verdict::Failed;
        }
        std::optional<std::string> decrypted = Aes128::decrypt(found->second, key->iv, unit.bytes);
        if (!decrypted)
            return refetch(unit);
        clear = std::move(*decrypted);
    } else {
        clear = unit.bytes;
    }
    const StreamSegment::Piece piece = unit.part->piece;
    if (piece != StreamSegment::Piece::Later &&
        SegmentCheck::content(clear, track.container, piece == StreamSegment::Piece::Whole) !=
            SegmentCheck::Verdict::Ok)
        return refetch(unit);
    unit.size = wire;
    arriving_ -= unit.size;
    taken_ += unit.size;
    if (!unit.init) {
        rates_[unit.track].bytes += unit.size;
        rates_[unit.track].seconds += unit.part->seconds;
    }
    unit.bytes = std::move(clear);
    unit.state = Unit::State::Held;
    estimated_ = false;
    owned_.erase(unit.owner);
    unit.owner = -1;
    return flush() ? Verdict::Done : Verdict::WriteFailed;
}

bool SegmentQueue::flush() {
    for (std::size_t t = 0; t < order_.size(); ++t) {
        while (nextWrite_[t] < order_[t].size()) {
            Unit& unit = units_[order_[t][nextWrite_[t]]];
            if (unit.state != Unit::State::Held)
                break;
            if (!receiver_.append(t, unit.bytes)) {
                writeFailed_ = true;
                return false;
            }
            done_[t].bytes += static_cast<long long>(unit.bytes.size());
            if (!unit.init)
                done_[t].count = unit.segment + 1;
            std::string().swap(unit.bytes);
            unit.state = Unit::State::Written;
            ++written_;
            ++nextWrite_[t];
        }
    }
    while (firstUnwritten_ < units_.size() && units_[firstUnwritten_].state == Unit::State::Written)
        ++firstUnwritten_;
    return true;
}

int SegmentQueue::tries(int id) const {
    const auto owned = owned_.find(id);
    return owned == owned_.end() ? 0 : units_[owned->second].tries;
}

void SegmentQueue::release(int id) {
    const auto owned = owned_.find(id);
    if (owned == owned_.end())
        return;
    Unit& unit = units_[owned->second];
    arriving_ -= static_cast<long long>(unit.bytes.size());
    std::string().swap(unit.bytes);
    unit.state = Unit::State::Waiting;
    estimated_ = false;
    unit.owner = -1;
    owned_.erase(owned);
}

bool SegmentQueue::stopping() const {
    return receiver_.stopping();
}

void SegmentQueue::tick() {
    report();
    if (Clock::now() - recordedAt_ >= recordEvery && done_ != recorded_)
        record();
}

long long SegmentQueue::expectedBytes(const Unit& unit) const {
    if (unit.state == Unit::State::Held || unit.state == Unit::State::Written)
        return unit.size;
    if (const auto& range = unit.part->part.range)
        return range->length;
    if (unit.state == Unit::State::Taken && unit.announced >= 0)
        return unit.announced;
    if (unit.init)
        return 0;
    // What this track's segments came to a second so far, else what its
    // manifest announces.
    const Rate& rate = rates_[unit.track];
    const double perSecond = rate.seconds > 0
                                 ? static_cast<double>(rate.bytes) / rate.seconds
                                 : static_cast<double>(tracks_[unit.track].bandwidth) / 8;
    return static_cast<long long>(perSecond * unit.part->seconds);
}

void SegmentQueue::report() {
    const long long now = resumedBytes_ + taken_ + arriving_;
    // Every round of the pool reports; the sum over every unit is made
    // again only once a unit's size or state has changed.
    if (!estimated_) {
        expected_ = resumedBytes_;
        for (const Unit& unit : units_)
            expected_ += expectedBytes(unit);
        estimated_ = true;
    }
    receiver_.progress(std::max(expected_, now), now);
}

void SegmentQueue::record() {
    receiver_.record(done_);
    recorded_ = done_;
    recordedAt_ = Clock::now();
}

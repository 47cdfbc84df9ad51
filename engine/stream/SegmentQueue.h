#pragma once

#include "http/ConnectionPool.h"
#include "http/FetchBounds.h"
#include "http/FetchPlan.h"
#include "stream/SegmentReceiver.h"
#include "stream/Track.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A stream's segments fetched over a ConnectionPool: each connection takes
// the next segment (or init section) in the stream's time order, every
// track's together. An answer counts only once checked (SegmentCheck: the
// status asked for, no page, every byte its length says), decrypted and
// plausible for its container; then it is handed to the receiver in its
// track's order, so each part file is a whole prefix of its track. A
// segment that fails is tried again (the pool's pauses) up to maxTries
// times, then the fetch fails; so does a stream that brings more than its
// tracks' byte bounds. Connections run at most window() segments of a track
// ahead of its first one not yet written, which bounds the memory held.
class SegmentQueue : public FetchPlan {
public:
    using Done = SegmentReceiver::Done;

    enum class Failure {
        None,
        Segment,  // one segment failed every try
        TooLarge, // more bytes than the manifest announces
        Key,      // an encrypted segment whose key is not at hand
    };

    // done: per track, the segments on disk already (a prefix of it, in
    // bytes of its part file). keys: the AES-128 keys by address.
    SegmentQueue(const std::vector<Track>& tracks, std::vector<Done> done,
                 std::map<std::string, std::string> keys, const FetchBounds& bounds,
                 SegmentReceiver& receiver, int connections);

    // Fetches what is missing over pool, recording what is on disk when it
    // ends. Runs on the caller's thread.
    ConnectionPool::Outcome fetch(ConnectionPool& pool);
    Failure failure() const { return failure_; }
    const std::vector<Done>& done() const { return done_; }

    std::string host() const override;
    bool take(int id, const std::vector<Pace>& paces) override;
    bool has(int id) const override;
    HttpRequest request(int id) const override;
    bool begins(int id, const HttpResponse& head) override;
    std::size_t write(int id, const char* data, std::size_t n) override;
    Verdict ended(int id, const HttpResponse& response) override;
    int tries(int id) const override;
    void release(int id) override;
    bool whole() const override { return written_ == units_.size(); }
    bool stopping() const override;
    void tick() override;

    // Tries of one segment before the fetch fails.
    static constexpr int maxTries = 4;
    // What is on disk is recorded once a segment is written, at most this
    // often: a stop or a crash fetches again little beyond each
    // connection's segment under way.
    static constexpr std::chrono::milliseconds recordEvery{100};
    std::size_t window() const;

private:
    using Clock = std::chrono::steady_clock;
    // One request: a segment, or the init section written before it.
    struct Unit {
        std::size_t track = 0;
        const StreamSegment* part = nullptr;
        // The segment's index in its track; for an init, the segment it precedes.
        std::size_t segment = 0;
        // Its place in its track's writing order.
        std::size_t place = 0;
        bool init = false;
        enum class State { Waiting, Taken, Held, Written } state = State::Waiting;
        int owner = -1;
        int tries = 0;
        // Its answer as it comes, then its clear bytes until written.
        std::string bytes{};
        long long announced = -1;
        long status = 0;
        // Its answer is not the status asked for: none of it is taken.
        bool refused = false;
        // Bytes it came to over the wire (once held).
        long long size = 0;
    };

    Verdict refetch(Unit& unit);
    Verdict accept(Unit& unit, const HttpResponse& response);
    bool flush();
    long long expectedBytes(const Unit& unit) const;
    void report();
    void record();

    const std::vector<Track>& tracks_;
    std::vector<Done> done_;
    std::map<std::string, std::string> keys_;
    FetchBounds bounds_;
    SegmentReceiver& receiver_;
    int connections_;
    std::string host_;
    // Every unit still to fetch, in the stream's time order.
    std::vector<Unit> units_;
    // Per track, its units in writing order, and the next one to write.
    std::vector<std::vector<std::size_t>> order_;
    std::vector<std::size_t> nextWrite_;
    std::map<int, std::size_t> owned_;
    std::size_t written_ = 0;
    // The first unit (in time order) not written yet.
    std::size_t firstUnwritten_ = 0;
    long long bound_ = 0;
    // Bytes brought by answers that counted, and those on their way.
    long long taken_ = 0;
    long long resumedBytes_ = 0;
    bool writeFailed_ = false;
    Failure failure_ = Failure::None;
    long long arriving_ = 0;
    // Per track, what its segments came to so far, for the estimate.
    struct Rate {
        long long bytes = 0;
        double seconds = 0;
    };
    std::vector<Rate> rates_;
    // What the stream comes to (report), and whether that still holds.
    long long expected_ = 0;
    bool estimated_ = false;
    std::vector<Done> recorded_;
    Clock::time_point recordedAt_{};
};

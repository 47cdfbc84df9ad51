#pragma once

#include "ByteRanges.h"
#include "FetchBounds.h"
#include "HttpFetch.h"
#include "LowSpeedFloor.h"
#include "SegmentPlan.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PieceReceiver;

// One file over several connections: pieces of it fetched as ranges, each
// only while the file keeps the validator and total of the first answer,
// written at their own offsets. All connections are easy handles in one
// libcurl multi handle on the caller's thread, which keeps the connections
// it may reuse. A connection that is refused (an error status), reset or
// stalled tries again after a pause, a few times; then its piece goes to
// the others. Any answer that is not the piece asked for of the same file
// ends the fetch (StartOver) before a byte of it is written. The speed limit
// holds for all connections together, the low-speed floor for their sum,
// and connections beyond the first wait for room in the host's budget.
class SegmentedFetch {
public:
    enum class Outcome {
        Whole,       // every byte is written
        Stopped,     // the receiver asked to stop
        StartOver,   // another version, another size, a whole stream or a refused range
        Failed,      // every connection gave up, or the sum stayed below the floor
        WriteFailed, // the receiver could not write a piece
    };

    // At most connections at once (1 to maxConnections).
    SegmentedFetch(const FetchBounds& bounds, int connections);
    ~SegmentedFetch();
    SegmentedFetch(const SegmentedFetch&) = delete;
    SegmentedFetch& operator=(const SegmentedFetch&) = delete;

    // Fetches what done lacks of the total bytes at url, tagged validator,
    // into receiver, recording what is on disk as it goes and when it ends
    // (but for StartOver). Runs on the caller's thread.
    Outcome run(const std::string& url, const std::string& validator, long long total,
                const ByteRanges& done, PieceReceiver& receiver);
    // How the last connection failed (Failed).
    CURLcode error() const { return error_; }

    // A piece another connection takes over keeps at least this much.
    static constexpr long long minPiece = 1 << 20;
    // Tries after the first of one connection before its piece goes to the others.
    static constexpr int maxRetries = 3;
    static constexpr int maxConnections = 16;
    // What is on disk is recorded this often.
    static constexpr std::chrono::seconds recordEvery{2};

    // libcurl's write callback of a connection (the caller's thread).
    static size_t pieceWriter(char* data, size_t size, size_t nmemb, void* connection);

private:
    using Clock = std::chrono::steady_clock;
    struct Connection;
    struct MultiFree {
        void operator()(CURLM* multi) const;
    };

    // Starts connections that have nothing running, as far as the plan and
    // the host's budget allow.
    void startIdle(Clock::time_point now);
    bool start(Connection& connection);
    // A connection's transfer ended: what its end means for the fetch
    // (nothing while it goes on).
    std::optional<Outcome> ended(Connection& connection, CURLcode result, Clock::time_point now);
    // Stops every connection's transfer.
    void stopAll();
    // Whether any connection runs, waits to try again, or may still start.
    bool anyAlive() const;
    // Connections held for the speed limit go on when it allows.
    bool releaseHeld();
    int pollMs(Clock::time_point now, bool held) const;

    HttpFetch http_;
    FetchBounds bounds_;
    int connections_;
    std::unique_ptr<CURLM, MultiFree> multi_;
    std::vector<std::unique_ptr<Connection>> pool_;

    // The run's own state: what it fetches and where it goes.
    std::string url_;
    std::string host_;
    std::string validator_;
    std::optional<SegmentPlan> plan_;
    PieceReceiver* receiver_ = nullptr;
    LowSpeedFloor floor_;
    long long taken_ = 0;
    CURLcode error_ = CURLE_OK;
};

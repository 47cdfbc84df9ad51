#pragma once

#include "ConnectionPool.h"
#include "FetchBounds.h"
#include "FetchPlan.h"
#include "PiecePlan.h"

#include <chrono>
#include <string>

class ByteRanges;
class PieceReceiver;

// One file fetched in pieces over a ConnectionPool: each piece a range of
// it, asked for only while the file keeps the validator and total of the
// first answer, written at its own offset into the receiver, which records
// what is on disk as it goes. Any answer that is not the piece asked for of
// the same file ends the fetch (StartOver) before a byte of it is written.
// An idle connection takes over from one that is far behind: slower than
// half of the fastest and more than a second from the end of its piece.
class FileInPieces : public FetchPlan {
public:
    // What done lacks of the total bytes at url, tagged validator.
    FileInPieces(std::string url, std::string validator, long long total, const ByteRanges& done,
                 const FetchBounds& bounds, PieceReceiver& receiver, int connections);

    // Fetches it over pool (recording what is on disk when it ends, but
    // for StartOver). Runs on the caller's thread.
    ConnectionPool::Outcome fetch(ConnectionPool& pool);

    std::string host() const override;
    bool take(int id, const std::vector<Pace>& paces) override;
    bool has(int id) const override { return plan_.has(id); }
    HttpRequest request(int id) const override;
    bool begins(int id, const HttpResponse& head) override;
    std::size_t write(int id, const char* data, std::size_t n) override;
    Verdict ended(int id, const HttpResponse& response) override;
    void release(int id) override { plan_.release(id); }
    bool whole() const override { return plan_.whole(); }
    bool stopping() const override;
    void tick() override;

    // A piece another connection takes half of keeps at least this much.
    static constexpr long long minPiece = 1 << 20;
    // What is on disk is recorded this often.
    static constexpr std::chrono::seconds recordEvery{2};

private:
    using Clock = std::chrono::steady_clock;
    void record();

    std::string url_;
    std::string host_;
    std::string validator_;
    FetchBounds bounds_;
    PieceReceiver& receiver_;
    PiecePlan plan_;
    bool writeFailed_ = false;
    long long recorded_ = 0;
    Clock::time_point recordedAt_{};
};

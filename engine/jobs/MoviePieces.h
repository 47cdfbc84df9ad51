#pragma once

#include "MovieSignature.h"
#include "PieceReceiver.h"
#include "ProgressPacer.h"

#include <string>

class MovieDownload;
class MovieFile;

// The movie step's side of a fetch over several connections: pieces written
// at their offsets into the part file, the file's first bytes looked at as
// they arrive, what is on disk synced before it is recorded, and the pace of
// the progress reports (all connections together). Used on the job's worker
// thread only.
class MoviePieces : public PieceReceiver {
public:
    // validator and total: the file's, recorded with its pieces.
    MoviePieces(MovieFile& movie, MovieDownload& download, std::string validator, long long total);

    bool write(long long offset, const char* data, std::size_t n) override;
    void record(const ByteRanges& done) override;
    void progress(std::int64_t total, std::int64_t now) override;
    bool stopping() const override;

    // Progress held back by the pacer goes out now.
    void flushProgress();

private:
    MovieFile& movie_;
    MovieDownload& download_;
    std::string validator_;
    long long total_;
    MovieSignature head_;
    // How many of the file's first bytes head_ has seen.
    std::size_t headSeen_ = 0;
    bool containerChecked_ = false;
    ProgressPacer pacer_;
};

#include "MoviePieces.h"

#include "ByteRanges.h"
#include "MovieDownload.h"
#include "MovieFile.h"
#include "StagedFile.h"

#include <algorithm>
#include <utility>

MoviePieces::MoviePieces(MovieFile& movie, MovieDownload& download, std::string validator,
                         long long total)
    : movie_(movie), download_(download), validator_(std::move(validator)), total_(total) {}

// Runs on the job's worker thread (the fetch's write callback).
bool MoviePieces::write(long long offset, const char* data, std::size_t n) {
    // The file's first bytes say its container, once the piece at its start
    // brings them.
    const auto seen = static_cast<long long>(headSeen_);
    if (!containerChecked_ && offset <= seen && seen < offset + static_cast<long long>(n) &&
        headSeen_ < MovieSignature::headBytes) {
        const auto skip = static_cast<std::size_t>(seen - offset);
        const std::size_t more = std::min(n - skip, MovieSignature::headBytes - headSeen_);
        head_.feed(data + skip, more);
        headSeen_ += more;
        if (head_.containerKnown()) {
            containerChecked_ = true;
            movie_.containerSeen(head_.container());
        }
    }
    return movie_.file().writeAt(offset, data, n) == n;
}

// Runs on the job's worker thread.
void MoviePieces::record(const ByteRanges& done) {
    // Never a record of bytes that a crash could still take away.
    if (movie_.file().syncData())
        download_.sendResumable(movie_.file(), validator_, total_, done.text());
}

// Runs on the job's worker thread.
void MoviePieces::progress(std::int64_t total, std::int64_t now) {
    if (pacer_.due(total, now))
        download_.reporter().progress(static_cast<double>(total), static_cast<double>(now));
}

void MoviePieces::flushProgress() {
    if (!pacer_.pending())
        return;
    download_.reporter().progress(static_cast<double>(pacer_.total()),
                                  static_cast<double>(pacer_.now()));
    pacer_.flushed();
}

bool MoviePieces::stopping() const {
    return download_.reporter().cancelled();
}

#include "jobs/MovieBody.h"

#include "jobs/MovieDownload.h"
#include "jobs/MovieFile.h"

#include <algorithm>

// Runs on the job's worker thread (the fetch's write callback).
bool MovieBody::begins(const HttpResponse& answer, const char* first, std::size_t n) {
    // Taking nothing of an answer that is not the file asked for ends it.
    return download.bodyStarts(*this, answer, first, n);
}

// Runs on the job's worker thread (the fetch's write callback).
std::size_t MovieBody::take(const char* data, std::size_t n) {
    // The rest comes in pieces: what is written up to the cut is the first.
    const bool cutting = cutAt > 0 && taken + static_cast<long long>(n) > cutAt;
    if (cutting)
        n = static_cast<std::size_t>(std::max(cutAt - taken, 0LL));
    head.feed(data, n);
    if (!containerChecked && head.containerKnown()) {
        containerChecked = true;
        movie.containerSeen(head.container());
    }
    const std::size_t written = movie.file().write(data, n);
    taken += static_cast<long long>(written);
    cut = cutting && written == n;
    return written;
}

// Runs on the job's worker thread (the fetch's progress callback).
void MovieBody::progress(std::int64_t total, std::int64_t now) {
    if (pacer.due(total, now))
        download.reporter().progress(static_cast<double>(total), static_cast<double>(now));
}

bool MovieBody::stopping() const {
    return download.reporter().cancelled();
}

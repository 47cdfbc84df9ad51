#include "MovieBody.h"

#include "MovieDownload.h"
#include "MovieFile.h"

// Runs on the job's worker thread (the fetch's write callback).
bool MovieBody::begins(const HttpResponse& answer, const char* first, std::size_t n) {
    // Taking nothing of an answer that is not the file asked for ends it.
    return download.bodyStarts(*this, answer, first, n);
}

// Runs on the job's worker thread (the fetch's write callback).
std::size_t MovieBody::take(const char* data, std::size_t n) {
    head.feed(data, n);
    if (!containerChecked && head.containerKnown()) {
        containerChecked = true;
        movie.containerSeen(head.container());
    }
    return movie.file().write(data, n);
}

// Runs on the job's worker thread (the fetch's progress callback).
void MovieBody::progress(std::int64_t total, std::int64_t now) {
    if (pacer.due(total, now))
        download.reporter().progress(static_cast<double>(total), static_cast<double>(now));
}

bool MovieBody::stopping() const {
    return download.reporter().cancelled();
}

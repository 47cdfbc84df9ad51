#pragma once

#include "http/BodyReceiver.h"
#include "jobs/ProgressPacer.h"
#include "page/MovieSignature.h"

class MovieDownload;
class MovieFile;

// The movie step's side of one fetch of the movie whole: the file the body
// goes into, the step that judges the answer when its body begins, what it
// saw of the file's first bytes and the pace of its progress reports. Used
// on the job's worker thread only.
struct MovieBody : BodyReceiver {
    MovieBody(MovieFile& movie, MovieDownload& download) : movie(movie), download(download) {}

    bool begins(const HttpResponse& head, const char* first, std::size_t n) override;
    std::size_t take(const char* data, std::size_t n) override;
    void progress(std::int64_t total, std::int64_t now) override;
    bool stopping() const override;

    MovieFile& movie;
    MovieDownload& download;
    MovieSignature head{};
    // The container the first bytes showed has been looked at.
    bool containerChecked = false;
    ProgressPacer pacer{};
    // The answer's body has begun (MovieDownload::bodyStarts) and was taken.
    bool started = false;
    // Bytes of the body taken; past cutAt (0: never) nothing more is, and
    // cut says the answer ended there on purpose.
    long long taken = 0;
    long long cutAt = 0;
    bool cut = false;
};

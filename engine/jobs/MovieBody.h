#pragma once

#include "BodyReceiver.h"
#include "MovieSignature.h"
#include "ProgressPacer.h"
#include "RangeRequest.h"

class MovieDownload;
class StagedFile;

// The movie step's side of one fetch of the movie: the part file the body
// goes into, the step it answers to (which judges the answer when its body
// begins), what it saw of the file's first bytes, the range asked for (and
// what the answer's headers said of it) and the pace of its progress
// reports. Used on the job's worker thread only.
struct MovieBody : BodyReceiver {
    MovieBody(StagedFile& file, MovieDownload& download) : file(file), download(download) {}

    std::size_t take(const char* data, std::size_t n) override;
    void progress(std::int64_t total, std::int64_t now) override;
    bool stopping() const override;

    StagedFile& file;
    MovieDownload& download;
    MovieSignature head{};
    // The container the first bytes showed has been looked at.
    bool containerChecked = false;
    ProgressPacer pacer{};
    RangeRequest range{};
    // The answer's body has begun (MovieDownload::bodyStarts) and was taken.
    bool started = false;
};

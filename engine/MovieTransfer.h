#pragma once

#include "MovieSignature.h"
#include "PartFile.h"
#include "ProgressPacer.h"
#include "RangeRequest.h"

#include <curl/curl.h>

class MovieDownload;
class SpeedLimit;

// One movie transfer as libcurl's write, header and progress callbacks see
// it: the part file it writes, the movie step it answers to, what it saw of
// the file's first bytes and what the answer's headers said.
struct MovieTransfer {
    PartFile& file;
    MovieDownload& download;
    MovieSignature head{};
    // The container the first bytes showed has been looked at.
    bool containerChecked = false;
    ProgressPacer pacer{};
    // The range asked for, and what the answer said about it.
    RangeRequest range{};
    // The answer's body has begun (MovieDownload::bodyStarts) and was taken.
    bool started = false;
    // The handle receiving it, and the speed limit it shares with the other
    // transfers (null: none). held: the writer paused it for the limit.
    CURL* curl = nullptr;
    SpeedLimit* limit = nullptr;
    bool held = false;
};

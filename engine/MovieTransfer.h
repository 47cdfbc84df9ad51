#pragma once

#include "MovieSignature.h"
#include "PartFile.h"
#include "ProgressPacer.h"
#include "RangeRequest.h"

class DownloadJob;

// Context of one movie transfer, handed to libcurl as the target of the
// write, header and progress callbacks. Owns nothing but what it saw of the
// file's first bytes and the answer's headers.
struct MovieTransfer {
    PartFile& file;
    DownloadJob& job;
    MovieSignature head{};
    // The container the first bytes showed has been looked at.
    bool containerChecked = false;
    ProgressPacer pacer{};
    // The range asked for, and what the answer said about it.
    RangeRequest range{};
    // The answer's body has begun (DownloadJob::bodyStarts) and was taken.
    bool started = false;
};

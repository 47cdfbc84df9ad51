#pragma once

#include "LowSpeedFloor.h"
#include "MovieSignature.h"
#include "PartFile.h"
#include "ProgressPacer.h"
#include "RangeRequest.h"

#include <curl/curl.h>

#include <cstdint>

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
    // Bytes of the body the writer took into the file: what progress counts
    // (libcurl counts what it received, which a transfer held for the limit
    // keeps in memory for a while).
    curl_off_t taken = 0;
    // The low-speed floor (set up by HttpFetch::movie), the share of the
    // limit below which it is off, whether the transfer was still held when
    // the progress callback last returned (the time since is not counted),
    // and whether the floor ended the transfer.
    LowSpeedFloor floor{};
    std::int64_t floorMinShare = 0;
    bool heldSinceProgress = false;
    bool tooSlow = false;
};

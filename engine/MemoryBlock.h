#pragma once

#include "MovieSignature.h"
#include "PartFile.h"
#include "ProgressPacer.h"
#include "RangeRequest.h"

class core;

// Context of one movie transfer, handed to libcurl as the target of the
// write, header and progress callbacks. Owns nothing but what it saw of the
// file's first bytes and the answer's headers.
struct MemoryBlock {
    PartFile& out;
    core& job;
    MovieSignature head{};
    // The container the first bytes showed has been looked at.
    bool containerChecked = false;
    ProgressPacer pacer{};
    // The range asked for, and what the answer said about it.
    RangeRequest range{};
    // The answer's body has begun (core::bodyStarts) and was taken.
    bool started = false;
};

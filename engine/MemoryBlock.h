#pragma once

#include "MovieSignature.h"
#include "PartFile.h"
#include "ProgressPacer.h"

class core;

// Context of one movie transfer, handed to libcurl as the target of both the
// write and the progress callbacks. Owns nothing but what it saw of the
// first bytes.
struct MemoryBlock {
    PartFile& out;
    core& job;
    MovieSignature head{};
    // The container the first bytes showed has been looked at.
    bool containerChecked = false;
    ProgressPacer pacer{};
};

#pragma once

#include "PartFile.h"
#include "core.h"

// Context of one movie transfer, handed to libcurl as the target of both the
// write and the progress callbacks. Owns nothing.
struct MemoryBlock {
    PartFile& out;
    int jobId;
    ProgressFn onProgress;
};

#pragma once

#include "base/CancelToken.h"

#include <csignal>
#include <memory>

// SIGINT and SIGTERM cancel (or pause) the running job instead of killing
// the process, so that its temporary files are removed (or its part file
// kept, to continue) and ffmpeg is ended first.
class StopSignals {
public:
    // Cancels token on either signal from now on, or pauses it when pause
    // is set. Call once, before any thread starts, and keep token alive for
    // the process.
    static void install(std::shared_ptr<CancelToken> token, bool pause = false);

    // The signal that arrived, or 0.
    static int caught() { return signal_; }

private:
    static void handle(int sig);

    static volatile std::sig_atomic_t signal_;
    static CancelToken* token_;
    static bool pause_;
};

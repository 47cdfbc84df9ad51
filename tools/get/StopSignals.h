#pragma once

#include "CancelToken.h"

#include <csignal>
#include <memory>

// SIGINT and SIGTERM cancel the running job instead of killing the process,
// so that its temporary files are removed and ffmpeg is ended first.
class StopSignals {
public:
    // Cancels token on either signal from now on. Call once, before any
    // thread starts, and keep token alive for the process.
    static void install(std::shared_ptr<CancelToken> token);

    // The signal that arrived, or 0.
    static int caught() { return signal_; }

private:
    static void handle(int sig);

    static volatile std::sig_atomic_t signal_;
    static CancelToken* token_;
};

#include "tools/get/StopSignals.h"

#include <utility>

volatile std::sig_atomic_t StopSignals::signal_ = 0;
CancelToken* StopSignals::token_ = nullptr;
bool StopSignals::pause_ = false;

void StopSignals::install(std::shared_ptr<CancelToken> token, bool pause) {
    // Held for the process's life: the handler may run until exit.
    static std::shared_ptr<CancelToken> held;
    held = std::move(token);
    token_ = held.get();
    pause_ = pause;

    struct sigaction action {};
    action.sa_handler = &StopSignals::handle;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocked read or wait returns and sees the token.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Runs in whatever thread the signal lands on: only lock-free stores.
void StopSignals::handle(int sig) {
    if (signal_ == 0)
        signal_ = sig;
    if (token_ && pause_)
        token_->pause();
    else if (token_)
        token_->cancel();
}

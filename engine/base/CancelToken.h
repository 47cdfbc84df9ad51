#pragma once

#include <atomic>

// Asks a running job to stop. Shared between whoever may cancel (the window,
// a signal handler) and the job's worker thread, which polls it from the
// transfer's progress callback and while ffmpeg runs. cancel() and pause()
// are async-signal-safe.
class CancelToken {
public:
    // Stop and remove the part file; wins over a pause asked before.
    void cancel() noexcept { state_.store(Cancel, std::memory_order_relaxed); }
    // Stop and keep the part file, to continue later, unless cancelled.
    void pause() noexcept {
        int running = Run;
        state_.compare_exchange_strong(running, Pause, std::memory_order_relaxed);
    }
    // Stopped either way.
    bool cancelled() const noexcept { return state_.load(std::memory_order_relaxed) != Run; }
    bool pausing() const noexcept { return state_.load(std::memory_order_relaxed) == Pause; }

private:
    enum : int { Run, Pause, Cancel };
    std::atomic<int> state_{Run};
    static_assert(std::atomic<int>::is_always_lock_free, "cancel() runs in signal handlers");
};

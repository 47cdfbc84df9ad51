#pragma once

#include <atomic>

// Asks a running job to stop. Shared between whoever may cancel (the window,
// a signal handler) and the job's worker thread, which polls it from the
// transfer's progress callback and while ffmpeg runs. cancel() and pause()
// are async-signal-safe.
class CancelToken {
public:
    // Stop and remove the part file.
    void cancel() noexcept { flag_.store(true, std::memory_order_relaxed); }
    // Stop and keep the part file, to continue later. A cancel wins.
    void pause() noexcept {
        keep_.store(true, std::memory_order_relaxed);
        flag_.store(true, std::memory_order_relaxed);
    }
    // Stopped either way.
    bool cancelled() const noexcept { return flag_.load(std::memory_order_relaxed); }
    bool pausing() const noexcept { return keep_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> flag_{false};
    std::atomic<bool> keep_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "cancel() runs in signal handlers");
};

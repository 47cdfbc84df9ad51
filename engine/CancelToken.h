#pragma once

#include <atomic>

// Asks a running job to stop. Shared between whoever may cancel (the window,
// a signal handler) and the job's worker thread, which polls it from the
// transfer's progress callback and while ffmpeg runs. cancel() is
// async-signal-safe.
class CancelToken {
public:
    void cancel() noexcept { flag_.store(true, std::memory_order_relaxed); }
    bool cancelled() const noexcept { return flag_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> flag_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "cancel() runs in signal handlers");
};

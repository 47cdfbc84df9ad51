#include "WorkerCounter.h"

void WorkerCounter::started() {
    std::lock_guard lock(mutex_);
    ++running_;
}

// Runs on a worker thread.
void WorkerCounter::returned() {
    std::lock_guard lock(mutex_);
    // Notified under the lock: the waiter cannot miss the last worker.
    if (--running_ == 0)
        none_.notify_all();
}

int WorkerCounter::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool WorkerCounter::waitUntilNone(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return none_.wait_for(lock, limit, [this] { return running_ == 0; });
}

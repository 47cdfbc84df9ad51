#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// How many workers are running. Shared (by shared_ptr) between whoever
// starts workers and every worker, so a worker that outlives its starter
// still has it. started() runs on the starting thread before a worker
// starts; returned() on the worker's own thread once its work is done.
class WorkerCounter {
public:
    void started();
    void returned();
    int running() const;

    // Blocks (without spinning) until no worker runs or limit passes; true
    // when none runs.
    bool waitUntilNone(std::chrono::milliseconds limit);

private:
    mutable std::mutex mutex_;
    std::condition_variable none_;
    int running_ = 0;
};

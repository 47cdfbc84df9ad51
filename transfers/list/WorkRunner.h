#pragma once

#include "TransferList.h"

#include <chrono>
#include <functional>
#include <memory>

class Job;
class WorkerCounter;

// The one way to run work off the window's thread: each piece on a detached
// thread of its own, counted until it returns, so that closing can wait for
// all of them within a limit. Work posts its results back itself.
class WorkRunner {
public:
    WorkRunner();
    // Does not wait: running work keeps the counter alive.
    ~WorkRunner();
    WorkRunner(const WorkRunner&) = delete;
    WorkRunner& operator=(const WorkRunner&) = delete;

    // Starts work on a new thread. Throws std::system_error when no thread
    // can be started; work is then dropped without running.
    void run(std::function<void()> work);
    // The same for a job, which the new thread owns, runs and destroys.
    void run(std::unique_ptr<Job> job);
    // Blocks until no work runs or limit passes; true when none runs.
    bool waitUntilNone(std::chrono::milliseconds limit);
    int running() const;

    // A TransferList's runner over runner: each job on its own thread,
    // which owns and destroys it.
    static TransferList::Runner jobRunner(WorkRunner& runner);

private:
    // Starts a thread that calls work, counted until work and what it owns
    // are gone.
    template <typename Work> void start(Work work);

    std::shared_ptr<WorkerCounter> counter;
};

#pragma once

#include <chrono>
#include <functional>
#include <memory>

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

    // Starts work on a new thread, where work and whatever it holds are
    // destroyed before it counts as returned. Throws std::system_error when
    // no thread can be started; work is then dropped without running.
    void run(std::function<void()> work);
    // Blocks until no work runs or limit passes; true when none runs.
    bool waitUntilNone(std::chrono::milliseconds limit);
    int running() const;

private:
    std::shared_ptr<WorkerCounter> counter;
};

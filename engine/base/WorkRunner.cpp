#include "WorkRunner.h"

#include "WorkerCounter.h"

#include <thread>
#include <utility>

WorkRunner::WorkRunner() : counter(std::make_shared<WorkerCounter>()) {}

WorkRunner::~WorkRunner() = default;

void WorkRunner::run(std::function<void()> work) {
    counter->started();
    try {
        std::thread([work = std::move(work), counter = counter]() mutable {
            // Runs on the worker thread; counted until the work, and what
            // it owns, is gone.
            try {
                std::function<void()> owned = std::move(work);
                owned();
            } catch (...) {
                // Work reports its own outcome; one that throws must not
                // end the program (jobs turn theirs into a failure).
            }
            counter->returned();
        }).detach();
    } catch (...) {
        counter->returned();
        throw;
    }
}

bool WorkRunner::waitUntilNone(std::chrono::milliseconds limit) {
    return counter->waitUntilNone(limit);
}

int WorkRunner::running() const {
    return counter->running();
}

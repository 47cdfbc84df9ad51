#include "WorkRunner.h"

#include "Job.h"
#include "WorkerCounter.h"

#include <thread>
#include <utility>

WorkRunner::WorkRunner() : counter(std::make_shared<WorkerCounter>()) {}

WorkRunner::~WorkRunner() = default;

template <typename Work> void WorkRunner::start(Work work) {
    counter->started();
    try {
        std::thread([work = std::move(work), counter = counter]() mutable {
            // Runs on the worker thread; counted until the work, and what
            // it owns, is gone.
            try {
                Work owned = std::move(work);
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

void WorkRunner::run(std::function<void()> work) {
    start(std::move(work));
}

void WorkRunner::run(std::unique_ptr<Job> job) {
    // The job crosses to the worker thread inside the work, and is
    // destroyed there with it.
    start([job = std::move(job)] { job->runToTheEnd(); });
}

bool WorkRunner::waitUntilNone(std::chrono::milliseconds limit) {
    return counter->waitUntilNone(limit);
}

int WorkRunner::running() const {
    return counter->running();
}

TransferList::Runner WorkRunner::jobRunner(WorkRunner& runner) {
    return [&runner](std::unique_ptr<Job> job) { runner.run(std::move(job)); };
}

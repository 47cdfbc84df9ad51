#include "WorkRunner.h"

#include "DownloadJob.h"
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
            std::exchange(work, nullptr)();
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

TransferList::Runner WorkRunner::jobRunner(WorkRunner& runner) {
    return [&runner](std::unique_ptr<DownloadJob> job) {
        const DownloadJob::Entry entry = job->entry();
        DownloadJob* raw = job.get();
        runner.run([entry, raw] { entry(raw); });
        // The worker owns it now (and may have deleted it already).
        job.release();
    };
}

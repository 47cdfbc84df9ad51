#pragma once

#include "jobs/JobOptions.h"
#include "jobs/JobReporter.h"

#include <utility>

// One piece of work a transfer runs off the window's thread: a DownloadJob
// or a ConvertJob. Made on the window's thread, then handed to the worker
// that runs it, which owns it from then on and destroys it there.
class Job {
public:
    virtual ~Job() = default;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Runs on the worker thread until the job ends; every event goes
    // through reporter().
    virtual void run() = 0;
    // run(), for the thread that owns the job: an exception thrown by the
    // job fails it as a failed save or conversion does, rather than ending
    // the program.
    void runToTheEnd() noexcept;

    // What the job was asked to do.
    const JobOptions& options() const { return options_; }
    const JobReporter& reporter() const { return reporter_; }

protected:
    Job(JobOptions options, JobReporter reporter)
        : options_(std::move(options)), reporter_(std::move(reporter)) {}

private:
    JobOptions options_;
    JobReporter reporter_;
};

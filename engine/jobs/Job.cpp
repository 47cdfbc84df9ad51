#include "jobs/Job.h"

#include <exception>

// Runs on the job's worker thread.
void Job::runToTheEnd() noexcept {
    try {
        run();
        return;
    } catch (...) {
        // bad_alloc, a system_error of a thread or lock... nothing to
        // continue from but the part file the job may have kept.
    }
    try {
        if (!reporter_.ended())
            reporter_.fail(reporter_.converting() ? Reason::ConversionFailed : Reason::SaveFailed);
    } catch (...) {
        // Not even the failure could be told: the row stays as it was.
    }
}

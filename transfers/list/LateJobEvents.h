#pragma once

#include "jobs/JobEvent.h"
#include "transfers/list/TransferRecord.h"

#include <map>
#include <mutex>
#include <vector>

class TransferStore;

// The last events of jobs that outlive the window's wait at closing (a movie
// saved, a part file named): the window no longer takes them, so they are
// applied here to copies of their records and handed straight to the
// store's thread, which writes them before the process ends.
class LateJobEvents {
public:
    // store must stay until close().
    explicit LateJobEvents(TransferStore& store);
    LateJobEvents(const LateJobEvents&) = delete;
    LateJobEvents& operator=(const LateJobEvents&) = delete;

    // Any thread (a job's worker): an event the window did not take. Held
    // until the records are handed over, then applied to its job's record.
    void apply(const JobEvent& event);
    // The window's thread, once it has taken every event it will: the
    // records of the jobs still running, by job id (TransferList::jobRecords).
    // Once: a later closing changes nothing.
    void takeOver(std::map<int, TransferRecord> records);
    // Before the store goes: later events are dropped. Waits for one being
    // handed over on another thread.
    void close();

private:
    // Under the lock.
    void applyToRecord(const JobEvent& event);

    std::mutex mutex;
    TransferStore* store;
    bool handedOver = false;
    std::vector<JobEvent> held;
    std::map<int, TransferRecord> records;
};

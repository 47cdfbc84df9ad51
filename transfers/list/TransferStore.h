#pragma once

#include "base/Reason.h"
#include "transfers/list/TransferRecord.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// transfers.sqlite: the transfer list and its history, through libsqlite3
// in WAL mode, its schema versioned with PRAGMA user_version.
//
// Opening never fails: a store that cannot be opened or is corrupt is kept
// as "<path>.bad" and a new one started; a store of a newer version is left
// untouched and this run keeps nothing. Either is said once (takeMessage).
//
// Every write runs on the store's own thread, in the order handed over, so
// the window's thread never waits for the disk. What a write could not keep
// (disk full) is written again with the next batch, or at a flush or the
// end; transfers go on and the failure is told once.
class TransferStore {
public:
    explicit TransferStore(std::string path);
    // Writes what was handed over, then stops the writer.
    ~TransferStore();
    TransferStore(const TransferStore&) = delete;
    TransferStore& operator=(const TransferStore&) = delete;

    // Every stored record, by id.
    std::vector<TransferRecord> load() const;
    // What the user is to hear about opening the store, once; None if nothing.
    Reason takeMessage();
    // An id no stored or earlier handed-out record has.
    std::int64_t newId();

    // Inserts or replaces the record. Returns at once; any thread.
    void save(const TransferRecord& record);
    // The same for a record whose bytes moved: at most once a second per
    // record (the latest copy wins, written within a second).
    void saveProgress(const TransferRecord& record);
    void remove(std::int64_t id);
    // Waits until everything handed over is written, or tried once more.
    void flush();

    // Told once, on the store's thread, when a write first fails.
    // StoreDiskFull or StoreWriteFailed.
    using FailureListener = std::function<void(Reason message)>;
    void setFailureListener(FailureListener listener);

    // Rows written so far (tests and the bench count writes with it).
    std::uint64_t rowsWritten() const;
    // Tests: caps the file at pages database pages, as a full disk would.
    void limitPages(int pages);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

#pragma once

#include "transfers/list/TransferRecord.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

// Progress copies of records held back so that each record is written at
// most once per interval, the latest copy winning. Not thread-safe: the
// store uses it under its lock.
class ProgressCoalescer {
public:
    using Clock = std::chrono::steady_clock;

    explicit ProgressCoalescer(Clock::duration interval = std::chrono::seconds(1))
        : interval(interval) {}

    // A newer copy of a record whose bytes moved. True when none was held:
    // a new time is due.
    bool put(const TransferRecord& record, Clock::time_point now);
    // The record is about to be written whole (or removed): a held copy is older.
    void drop(std::int64_t id);
    // The record was written at now, as progress or otherwise.
    void wrote(std::int64_t id, Clock::time_point now);
    void forget(std::int64_t id);

    // The copies whose time has come, taken as written at now.
    std::vector<TransferRecord> takeDue(Clock::time_point now);
    // Every held copy (flushing, closing), taken as written at now.
    std::vector<TransferRecord> takeAll(Clock::time_point now);
    // When the next held copy is due; none while nothing is held.
    std::optional<Clock::time_point> nextDue() const;
    bool empty() const { return held.empty(); }

private:
    struct Held {
        TransferRecord record;
        Clock::time_point due;
    };
    Clock::duration interval;
    std::map<std::int64_t, Held> held;
    std::unordered_map<std::int64_t, Clock::time_point> lastWrite;
};

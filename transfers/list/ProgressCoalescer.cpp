#include "transfers/list/ProgressCoalescer.h"

#include <algorithm>

bool ProgressCoalescer::put(const TransferRecord& record, Clock::time_point now) {
    const auto it = held.find(record.id);
    if (it != held.end()) {
        it->second.record = record;
        return false;
    }
    const auto last = lastWrite.find(record.id);
    const Clock::time_point due =
        last == lastWrite.end() ? now : std::max(now, last->second + interval);
    held.emplace(record.id, Held{record, due});
    return true;
}

void ProgressCoalescer::drop(std::int64_t id) {
    held.erase(id);
}

void ProgressCoalescer::wrote(std::int64_t id, Clock::time_point now) {
    lastWrite[id] = now;
}

void ProgressCoalescer::forget(std::int64_t id) {
    held.erase(id);
    lastWrite.erase(id);
}

std::vector<TransferRecord> ProgressCoalescer::takeDue(Clock::time_point now) {
    std::vector<TransferRecord> due;
    for (auto it = held.begin(); it != held.end();) {
        if (it->second.due <= now) {
            lastWrite[it->first] = now;
            due.push_back(std::move(it->second.record));
            it = held.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

std::vector<TransferRecord> ProgressCoalescer::takeAll(Clock::time_point now) {
    std::vector<TransferRecord> all;
    all.reserve(held.size());
    for (auto& [id, copy] : held) {
        lastWrite[id] = now;
        all.push_back(std::move(copy.record));
    }
    held.clear();
    return all;
}

std::optional<ProgressCoalescer::Clock::time_point> ProgressCoalescer::nextDue() const {
    std::optional<Clock::time_point> next;
    for (const auto& [id, copy] : held)
        if (!next || copy.due < *next)
            next = copy.due;
    return next;
}

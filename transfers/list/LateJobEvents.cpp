#include "transfers/list/LateJobEvents.h"

#include "transfers/list/RecordEvents.h"
#include "transfers/list/TransferStore.h"

#include <utility>

LateJobEvents::LateJobEvents(TransferStore& store) : store(&store) {}

void LateJobEvents::apply(const JobEvent& event) {
    std::lock_guard lock(mutex);
    if (!store)
        return;
    if (!handedOver)
        held.push_back(event);
    else
        applyToRecord(event);
}

void LateJobEvents::takeOver(std::map<int, TransferRecord> taken) {
    std::lock_guard lock(mutex);
    // The list's copies are stale once events have come here instead.
    if (handedOver)
        return;
    records = std::move(taken);
    handedOver = true;
    if (!store)
        return;
    for (const JobEvent& event : held)
        applyToRecord(event);
    held.clear();
}

void LateJobEvents::close() {
    std::lock_guard lock(mutex);
    store = nullptr;
    held.clear();
    records.clear();
}

void LateJobEvents::applyToRecord(const JobEvent& event) {
    const auto it = records.find(event.id);
    if (it == records.end())
        return;
    TransferRecord& record = it->second;
    // As the list would, for a record it has interrupted: only the facts
    // and a job's own end change it; a pause leaves it to continue.
    bool changed = RecordEvents::takeFacts(record, event);
    switch (event.kind) {
    case JobEvent::Kind::Finished:
    case JobEvent::Kind::Failed:
        RecordEvents::end(record, event);
        changed = true;
        break;
    default:
        break;
    }
    if (changed)
        store->save(record);
    switch (event.kind) {
    case JobEvent::Kind::Finished:
    case JobEvent::Kind::Failed:
    case JobEvent::Kind::Paused:
    case JobEvent::Kind::Cancelled:
        records.erase(it);
        break;
    default:
        break;
    }
}

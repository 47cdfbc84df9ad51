#pragma once

#include "settings/SettingsStore.h"
#include "transfers/list/TransferRecord.h"
#include "transfers/list/TransferStore.h"

#include <cstdint>
#include <string>
#include <vector>

// An ended (or paused, or interrupted) transfer as an earlier run left it.
inline TransferRecord historyRecord(std::int64_t id, TransferState state, const std::string& title,
                                    const std::string& pageUrl = "http://127.0.0.1:1/watch") {
    TransferRecord record;
    record.id = id;
    record.state = state;
    record.title = title;
    record.pageUrl = pageUrl;
    record.addedAt = 1700000000 + id;
    record.endedAt = record.ended() ? record.addedAt + 60 : 0;
    return record;
}

// Writes the records into the data folder's transfers.sqlite before the
// data folder or the window is opened, as an earlier run would have.
inline void keepHistory(const std::vector<TransferRecord>& records) {
    TransferStore store(SettingsStore::userDataFolder() + "transfers.sqlite");
    for (const TransferRecord& record : records)
        store.save(record);
    store.flush();
}

#pragma once

#include "base/CancelToken.h"
#include "jobs/JobEvent.h"
#include "transfers/list/TransferRecord.h"

#include <functional>
#include <memory>
#include <string>

class HostBudget;
class Job;
class SpeedLimit;
struct FetchBounds;

// The job a record's state calls for, built from the record alone.
class JobFactory {
public:
    // Fills in what a browser would send with requests for the page at
    // pageUrl: its user agent, the cookies for its host.
    using Identity = std::function<void(const std::string& pageUrl, FetchBounds& bounds)>;
    // What every download the list starts shares with the others, and how
    // many connections it may fetch its file over (the settings of now).
    struct Shared {
        std::shared_ptr<SpeedLimit> limit;
        std::shared_ptr<HostBudget> hosts;
        int connections = 1;
        std::string language{};
    };

    // A download continuing from the record's resume state, or
    // a conversion: asked for (at the bitrate of conversions on request), or
    // the automatic one of a saved movie that did not get it yet. A
    // download keeps to the shared limit and host budget (either may be
    // null) over its connections, and sends what identity (may be empty)
    // adds, as do the conversion's fetches of the page and its picture.
    static std::unique_ptr<Job> make(const TransferRecord& record, int id, JobSink sink,
                                     std::shared_ptr<const CancelToken> token, const Shared& shared,
                                     const Identity& identity = {});

    // The next job only converts: the movie is on disk already.
    static bool convertsOnly(const TransferRecord& record);
    // The record's movie is saved and still there.
    static bool movieKept(const TransferRecord& record);
    // A download is running that has not saved its movie yet.
    static bool movingBytes(const TransferRecord& record);
    // The stable part file of the record's download.
    static std::string partFile(const TransferRecord& record);
};

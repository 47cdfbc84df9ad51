#pragma once

#include "CancelToken.h"
#include "JobEvent.h"
#include "TransferRecord.h"

#include <memory>
#include <string>

class Job;
class SpeedLimit;

// The job a record's state calls for, built from the record alone.
class JobFactory {
public:
    // A download continuing from the record's part file and validator, or
    // a conversion: asked for (at the bitrate of conversions on request), or
    // the automatic one of a saved movie that did not get it yet. A
    // download keeps to limit (may be null), which it shares with others.
    static std::unique_ptr<Job> make(const TransferRecord& record, int id, JobSink sink,
                                     std::shared_ptr<const CancelToken> token,
                                     std::shared_ptr<SpeedLimit> limit = {});

    // The next job only converts: the movie is on disk already.
    static bool convertsOnly(const TransferRecord& record);
    // The record's movie is saved and still there.
    static bool movieKept(const TransferRecord& record);
    // A download is running that has not saved its movie yet.
    static bool movingBytes(const TransferRecord& record);
    // The stable part file of the record's download.
    static std::string partFile(const TransferRecord& record);
};

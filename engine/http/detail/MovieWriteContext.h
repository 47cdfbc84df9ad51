#pragma once

#include "LowSpeedFloor.h"
#include "RangeRequest.h"

#include <curl/curl.h>

#include <cstdint>
#include <string>

class BodyReceiver;
class SpeedLimit;

// What libcurl's write and progress callbacks of one movie fetch share:
// the receiver of the body, the range asked for (and what the answer's
// headers said of it), the speed limit the fetch keeps to and the low-speed
// floor it must stay above. Set up by HttpFetch::body; used on the
// transfer's thread only.
struct MovieWriteContext {
    BodyReceiver& receiver;
    RangeRequest& range;
    // The address asked for, and whether the receiver was told the answer
    // begins (and refused it).
    std::string asked;
    bool begun = false;
    bool refused = false;
    // The handle receiving it, and the speed limit it shares with the other
    // transfers (null: none). held: the writer paused it for the limit.
    CURL* curl = nullptr;
    SpeedLimit* limit = nullptr;
    bool held = false;
    // Bytes of the body the receiver took: what progress counts (libcurl
    // counts what it received, which a transfer held for the limit keeps in
    // memory for a while). total: the file's size as last reported.
    curl_off_t taken = 0;
    curl_off_t total = 0;
    // The low-speed floor, the share of the limit below which it is off,
    // whether the transfer was still held when the progress callback last
    // returned (the time since is not counted), and whether the floor ended
    // the transfer.
    LowSpeedFloor floor{};
    std::int64_t floorMinShare = 0;
    bool heldSinceProgress = false;
    bool tooSlow = false;
};

#pragma once

#include "http/AddressSpace.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class HostBudget;
class SpeedLimit;

// What every fetch is bounded by: how long it may take or stall, how large a
// page may be, how slow a movie may go, the speed limit it shares, and what
// a browser would send. Jobs carry them in their options.
struct FetchBounds {
    // A transfer that receives nothing for this long fails.
    long stallSeconds = 30;
    // A watch page still coming after this long fails ("The page took too
    // long to load."); a picture after pictureDeadlineSeconds gives no
    // cover. Connecting and redirects count. 0: no deadline.
    long pageDeadlineSeconds = 60;
    long pictureDeadlineSeconds = 20;
    // The movie's low-speed floor: a transfer that averages below
    // lowSpeedBytes a second over lowSpeedSeconds fails as a stalled one
    // does (its part file kept). Time held back by the speed limit does not
    // count, and the floor is off while the transfer's share of the limit
    // (its rate over the transfers sharing it) is below lowSpeedMinShare
    // bytes a second. 0 bytes or seconds: no floor.
    long lowSpeedBytes = 1024;
    long lowSpeedSeconds = 60;
    long lowSpeedMinShare = 2048;
    // A watch page larger than this fails as a page fetch.
    std::size_t maxPageBytes = std::size_t{64} * 1024 * 1024;
    // The speed limit the movie transfer shares with every other one; null
    // for none. The one setting a running job follows when it changes.
    std::shared_ptr<SpeedLimit> speedLimit;
    // How many connections every transfer together may hold to one host; a
    // file fetched over several connections asks it for each beyond its
    // first. Null: no budget.
    std::shared_ptr<HostBudget> hostBudget;
    // Asked before each handle a fetch makes; false: the library could not
    // make one (tests act that out). Empty: always.
    std::function<bool()> mayMakeHandle;
    // The most private space a fetch may connect to, checked at every
    // connection it opens (redirects' too, whatever a name resolves to).
    // Local: anywhere.
    NetworkSpace reach = NetworkSpace::Local;

    // What a browser would send: the page a request comes from, the user
    // agent (empty: libcurl's none), and cookies in the Netscape cookie
    // file's line form ("Set-Cookie:" lines work too). Cookies stay in
    // memory: never written to a file or a log.
    std::string referer;
    std::string userAgent;
    std::vector<std::string> cookies;
};

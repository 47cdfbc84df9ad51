#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"

#include <cstddef>
#include <string>
#include <vector>

// The work a ConnectionPool is fed: what each of its connections asks for
// next and where the answer goes. The pool owns the connections, the speed
// limit, the host's budget, the tries again and the low-speed floor; the
// plan owns what is fetched. Pieces of one file (FileInPieces) are one
// plan; a queue of a stream's segments, each its own address and range, is
// another. Called on the pool's thread only.
class FetchPlan {
public:
    // How one connection of the pool is doing, for handing work over.
    struct Pace {
        bool running = false;
        // It waits to try again after a failure.
        bool waiting = false;
        // Bytes a second of its transfer now (or of its last one when none
        // runs); known: measured over long enough to judge by.
        double bytesPerSecond = 0;
        bool known = false;
    };
    // What the end of a connection's transfer means.
    enum class Verdict {
        Done,        // its work is whole (or was taken over): it may take more
        Again,       // it failed: the pool tries again after a pause, a few times
        StartOver,   // the answer says the whole fetch is to be started over
        WriteFailed, // what it brought could not be written
        Failed,      // the work cannot be done (the plan says why): the fetch fails now
    };

    virtual ~FetchPlan() = default;

    // The host the next work is on (for the host's budget).
    virtual std::string host() const = 0;
    // Work for connection id, which has none; false when there is none to
    // take now. paces: every connection's, by id.
    virtual bool take(int id, const std::vector<Pace>& paces) = 0;
    virtual bool has(int id) const = 0;
    // The request for what is left of id's work.
    virtual HttpRequest request(int id) const = 0;
    // id's answer begins (head: its status and headers): false when it is
    // not what was asked for, which ends the fetch (StartOver) before a
    // byte of it is written.
    virtual bool begins(int id, const HttpResponse& head) = 0;
    // n bytes of id's answer; how many it took. Fewer ends id's transfer:
    // its work is whole, or the bytes could not be written.
    virtual std::size_t write(int id, const char* data, std::size_t n) = 0;
    // id's transfer ended with response.
    virtual Verdict ended(int id, const HttpResponse& response) = 0;
    // How often id's work has failed in a row, for the pause before its next
    // try; -1: the pool counts (a connection that moved on starts again).
    virtual int tries(int) const { return -1; }
    // id gives up its work: whatever is left of it goes back to the others.
    virtual void release(int id) = 0;
    // Every piece of work is done.
    virtual bool whole() const = 0;
    // Asked to stop (cancel or pause): the fetch ends.
    virtual bool stopping() const = 0;
    // Once each round of the pool: the plan reports how far it has come.
    virtual void tick() = 0;
};

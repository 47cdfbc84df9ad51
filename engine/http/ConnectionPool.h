#pragma once

#include "FetchBounds.h"
#include "HttpResponse.h"

#include <memory>

class FetchPlan;

// Several connections at once on the caller's thread, fed by a plan: each
// connection asks the plan for work, fetches it and hands the answer back
// to the plan. The pool holds what every plan shares: one libcurl multi
// handle (connections kept and reused), a place in the host's budget for
// each connection beyond the first, the speed limit for all connections
// together, the low-speed floor for their sum, and tries again: a
// connection that is refused (an error status), reset or stalled tries
// again after a pause, a few times; then its work goes to the others.
class ConnectionPool {
public:
    enum class Outcome {
        Whole,       // the plan's work is done
        Stopped,     // the plan asked to stop
        StartOver,   // the plan said the fetch is to be started over
        Failed,      // every connection gave up, or the sum stayed below the floor
        WriteFailed, // the plan could not write what came
    };

    // At most connections at once (1 to maxConnections), within bounds (the
    // speed limit, the host's budget, the floor, what a browser sends).
    ConnectionPool(const FetchBounds& bounds, int connections);
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // Runs plan until its work is done or the fetch ends otherwise. Blocking.
    Outcome run(FetchPlan& plan);
    // How the last connection that failed failed (Failed), and libcurl's words.
    const HttpResponse& lastFailure() const;

    // Tries after the first of one connection before its work goes to the others.
    static constexpr int maxRetries = 3;
    static constexpr int maxConnections = 16;

    // What the pool holds while it runs (its source's own).
    struct State;

private:
    std::unique_ptr<State> state_;
};

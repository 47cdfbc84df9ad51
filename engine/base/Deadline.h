#pragma once

#include <chrono>
#include <optional>

// The moment by which a fetch must have ended, or none. A fetch whose body
// turns out to be something that may take as long as it needs (a movie
// behind a "page" address) lifts it. Used on one thread only.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    // None: never passes.
    Deadline() = default;
    // within from from on; none when within is zero or less.
    static Deadline after(Clock::duration within, Clock::time_point from = Clock::now()) {
        Deadline deadline;
        if (within > Clock::duration::zero())
            deadline.at = from + within;
        return deadline;
    }

    bool passed(Clock::time_point now = Clock::now()) const { return at && now >= *at; }
    // From now on it never passes.
    void lift() { at.reset(); }
    bool set() const { return at.has_value(); }

private:
    std::optional<Clock::time_point> at;
};

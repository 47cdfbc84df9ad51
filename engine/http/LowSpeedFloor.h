#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

// The slowest a movie transfer may go: it fails once what it received over
// the last `window` of counted time averages below bytesPerSecond. Time the
// transfer spent held back by the user's speed limit is not counted (the
// bytes it took then are), and time while the floor is off (see
// the body fetch and ConnectionPool) starts it over. Fed from libcurl's progress
// callback; one per transfer, used on its worker thread only.
class LowSpeedFloor {
public:
    using Clock = std::chrono::steady_clock;

    // A rate or window of zero or less: it never fails.
    explicit LowSpeedFloor(std::int64_t bytesPerSecond = 0, Clock::duration window = {});

    // At at, received bytes in all; counted: whether the time since the
    // last call counts (false: the transfer was held for the limit). True
    // when the transfer is below the floor: the last window of counted time
    // brought fewer than bytesPerSecond a second.
    bool below(Clock::time_point at, std::int64_t received, bool counted);
    // The floor is off for now: what was measured goes, and the next call
    // begins a new window.
    void restart();

private:
    struct Sample {
        Clock::duration counted;
        std::int64_t received;
    };

    std::int64_t bytesPerSecond;
    Clock::duration window;
    // Samples a step of counted time apart, the oldest a window old or less
    // (one more than window / step in all).
    Clock::duration step;
    std::deque<Sample> samples;
    bool started = false;
    Clock::time_point last{};
    Clock::duration counted{};
};

#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

// Durations of many drain ticks, summed up as percentiles.
class TickTimes {
public:
    void add(std::chrono::steady_clock::duration spent);
    std::size_t count() const { return micros.size(); }
    // The p-th percentile (0..100) in milliseconds, 0 when empty.
    double percentileMs(double p) const;
    double maxMs() const;

private:
    std::vector<double> micros;
};

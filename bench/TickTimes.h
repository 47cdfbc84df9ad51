#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

// Durations of many drain ticks, summed up as percentiles: wall time, and
// the CPU time the window's thread itself spent (on two busy cores the wall
// time also holds the time other threads had the core).
class TickTimes {
public:
    void add(std::chrono::steady_clock::duration spent, std::chrono::nanoseconds cpu = {});
    std::size_t count() const { return micros.size(); }
    // The p-th percentile (0..100) in milliseconds, 0 when empty.
    double percentileMs(double p) const { return percentileOf(micros, p); }
    double cpuPercentileMs(double p) const { return percentileOf(cpuMicros, p); }
    double maxMs() const;

    // CPU time of the calling thread so far.
    static std::chrono::nanoseconds threadCpu();

private:
    static double percentileOf(const std::vector<double>& values, double p);
    std::vector<double> micros;
    std::vector<double> cpuMicros;
};

#include "TickTimes.h"

#include <algorithm>
#include <cmath>
#include <ctime>

void TickTimes::add(std::chrono::steady_clock::duration spent, std::chrono::nanoseconds cpu) {
    micros.push_back(std::chrono::duration<double, std::micro>(spent).count());
    cpuMicros.push_back(std::chrono::duration<double, std::micro>(cpu).count());
}

std::chrono::nanoseconds TickTimes::threadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

double TickTimes::percentileOf(const std::vector<double>& values, double p) {
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    // Nearest rank: the smallest value at or above p percent of the ticks.
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * sorted.size()));
    const std::size_t at = std::clamp<std::size_t>(rank, 1, sorted.size()) - 1;
    std::nth_element(sorted.begin(), sorted.begin() + at, sorted.end());
    return sorted[at] / 1000.0;
}

double TickTimes::maxMs() const {
    return micros.empty() ? 0 : *std::max_element(micros.begin(), micros.end()) / 1000.0;
}

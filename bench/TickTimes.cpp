#include "TickTimes.h"

#include <algorithm>
#include <cmath>

void TickTimes::add(std::chrono::steady_clock::duration spent) {
    micros.push_back(std::chrono::duration<double, std::micro>(spent).count());
}

double TickTimes::percentileMs(double p) const {
    if (micros.empty())
        return 0;
    std::vector<double> sorted = micros;
    // Nearest rank: the smallest value at or above p percent of the ticks.
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * sorted.size()));
    const std::size_t at = std::clamp<std::size_t>(rank, 1, sorted.size()) - 1;
    std::nth_element(sorted.begin(), sorted.begin() + at, sorted.end());
    return sorted[at] / 1000.0;
}

double TickTimes::maxMs() const {
    return micros.empty() ? 0 : *std::max_element(micros.begin(), micros.end()) / 1000.0;
}

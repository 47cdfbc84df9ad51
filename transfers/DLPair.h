#pragma once

#include <chrono>

// One progress report of a transfer: bytes expected (0 while unknown) and
// bytes received so far, and when they had arrived. Never changed after it
// is built.
struct DLPair {
    using Clock = std::chrono::steady_clock;

    DLPair(int index, double tot, double dwn, Clock::time_point at)
        : tot(tot), dwn(dwn), index(index), at(at) {}

    double tot;
    double dwn;
    int index;
    Clock::time_point at;
};

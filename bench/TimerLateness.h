#pragma once

#include "TickTimes.h"

#include <QTimer>

#include <chrono>
#include <optional>

// How late the window's thread runs a timer it asked to run every period:
// each tick's lateness (the gap since the last tick, less the period) and
// the thread's own CPU time in that gap. A late tick with little CPU time
// is a thread that waited for a core; with much, one busy with other events.
class TimerLateness {
public:
    explicit TimerLateness(std::chrono::milliseconds period);

    // A fresh span of ticks.
    void start();
    // The span's ticks; the timer stops.
    TickTimes stop();

private:
    void tick();

    std::chrono::milliseconds period;
    QTimer timer;
    TickTimes ticks;
    std::optional<std::chrono::steady_clock::time_point> last;
    std::chrono::nanoseconds lastCpu{};
};

#include "TimerLateness.h"

TimerLateness::TimerLateness(std::chrono::milliseconds period) : period(period) {
    // A coarse timer may fire up to 5 % late on purpose; this one must not.
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(period);
    QObject::connect(&timer, &QTimer::timeout, &timer, [this] { tick(); });
}

void TimerLateness::start() {
    ticks = {};
    last.reset();
    timer.start();
}

TickTimes TimerLateness::stop() {
    timer.stop();
    return ticks;
}

void TimerLateness::tick() {
    const auto now = std::chrono::steady_clock::now();
    const auto cpu = TickTimes::threadCpu();
    if (last) {
        const auto gap = now - *last;
        ticks.add(gap > period ? gap - period : std::chrono::steady_clock::duration{},
                  cpu - lastCpu);
    }
    last = now;
    lastCpu = cpu;
}

#pragma once

#include <chrono>
#include <cstdint>

// Decides which of libcurl's progress calls are worth a report. libcurl
// calls back for every chunk it receives, thousands of times a second on a
// fast link; the window shows a bar. A report goes out when the whole
// percentage changes or when Interval has passed since the last one (unknown
// sizes), and the last values seen can always be sent at the end.
// One pacer per transfer, used on its worker thread only.
class ProgressPacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Interval{50};

    // True when (total, now) should be reported; remembers them either way.
    bool due(std::int64_t total, std::int64_t now, Clock::time_point at = Clock::now());
    // True when the last values seen were held back.
    bool pending() const { return held; }
    std::int64_t total() const { return lastTotal; }
    std::int64_t now() const { return lastNow; }
    // The held values are being reported.
    void flushed() { held = false; }

private:
    bool reportedOnce = false;
    bool held = false;
    int lastPercent = -1;
    std::int64_t lastTotal = 0;
    std::int64_t lastNow = 0;
    Clock::time_point lastReport{};
};

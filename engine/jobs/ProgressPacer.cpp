#include "jobs/ProgressPacer.h"

bool ProgressPacer::due(std::int64_t total, std::int64_t now, Clock::time_point at) {
    const bool changed = total != lastTotal || now != lastNow;
    lastTotal = total;
    lastNow = now;
    const int percent = total > 0 ? static_cast<int>(now * 100 / total) : -1;
    const bool report = !reportedOnce || (total > 0 && percent != lastPercent) ||
                        (changed && at - lastReport >= Interval);
    if (!report) {
        held = held || changed;
        return false;
    }
    reportedOnce = true;
    held = false;
    lastPercent = percent;
    lastReport = at;
    return true;
}

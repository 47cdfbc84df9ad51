#include "http/LowSpeedFloor.h"

#include <algorithm>

namespace {

// How finely the window slides: a failure comes at most a sixteenth of the
// window late.
constexpr int stepsPerWindow = 16;

} // namespace

LowSpeedFloor::LowSpeedFloor(std::int64_t rate, Clock::duration within)
    : bytesPerSecond(rate), window(within),
      step(std::max<Clock::duration>(within / stepsPerWindow, std::chrono::milliseconds(1))) {}

void LowSpeedFloor::restart() {
    started = false;
    samples.clear();
}

bool LowSpeedFloor::below(Clock::time_point at, std::int64_t received, bool countsTime) {
    if (bytesPerSecond <= 0 || window <= Clock::duration::zero())
        return false;
    if (!started) {
        started = true;
        last = at;
        counted = {};
        samples.push_back({counted, received});
        return false;
    }
    if (countsTime && at > last)
        counted += at - last;
    last = at;
    if (counted - samples.back().counted >= step)
        samples.push_back({counted, received});
    // The oldest sample kept is the newest one at least a window old.
    while (samples.size() > 1 && counted - samples[1].counted >= window)
        samples.pop_front();
    const Sample& oldest = samples.front();
    const Clock::duration span = counted - oldest.counted;
    if (span < window)
        return false;
    const double seconds = std::chrono::duration<double>(span).count();
    return static_cast<double>(received - oldest.received) <
           static_cast<double>(bytesPerSecond) * seconds;
}

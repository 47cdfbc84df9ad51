#include "TransferRate.h"

#include <algorithm>
#include <cmath>

namespace {

// Growths closer together than this are merged into the newest, so a caller
// that reports on every chunk keeps the window at a few dozen samples.
constexpr auto Granularity = TransferRate::Window / 30;

} // namespace

void TransferRate::add(Clock::time_point at, double received, double total) {
    if (!samples.empty() && received < samples.back().received)
        samples.clear();
    // Out of order: older than what is known, it says nothing new.
    if (!samples.empty() && at < heard)
        return;
    this->total = total;
    heard = at;
    // Before the first byte the wait is the server's, not the link's: the
    // measurement starts at the last moment nothing had arrived.
    if (received <= 0)
        samples.clear();
    // A count that did not grow only moves heard on.
    const bool grew = samples.empty() || received > samples.back().received;
    if (grew && samples.size() >= 2 && at - samples[samples.size() - 2].at < Granularity)
        samples.back() = {at, received};
    else if (grew)
        samples.push_back({at, received});
    // Keep one growth at or before the window's start to measure from.
    while (samples.size() >= 2 && samples[1].at <= heard - Window)
        samples.pop_front();
}

void TransferRate::addSilence(Clock::time_point at) {
    if (!samples.empty())
        add(at, samples.back().received, total);
}

std::optional<TransferRate::Clock::time_point> TransferRate::lastSampleAt() const {
    if (samples.empty())
        return std::nullopt;
    return heard;
}

void TransferRate::reset() {
    samples.clear();
    heard = {};
    total = 0;
}

TransferRate::Clock::duration TransferRate::usualGap() const {
    if (samples.size() < 2)
        return Clock::duration::zero();
    return (samples.back().at - samples.front().at) / static_cast<long>(samples.size() - 1);
}

std::optional<double> TransferRate::rate() const {
    if (samples.empty())
        return std::nullopt;
    if (samples.size() < 2) {
        // Nothing grew for a whole window: stalled, not unknown.
        if (heard - samples.front().at >= Window)
            return 0.0;
        return std::nullopt;
    }
    // From growth to growth; once the next one is overdue, up to now less
    // the usual gap, so the figure falls smoothly from where it was.
    const Clock::time_point end = std::max(samples.back().at, heard - usualGap());
    const std::chrono::duration<double> span = end - samples.front().at;
    if (span.count() <= 0)
        return std::nullopt;
    return (samples.back().received - samples.front().received) / span.count();
}

std::optional<std::chrono::seconds> TransferRate::timeLeft() const {
    const std::optional<double> bytesPerSecond = rate();
    if (total <= 0 || !bytesPerSecond || *bytesPerSecond <= 0)
        return std::nullopt;
    const double remaining = std::max(0.0, total - samples.back().received);
    // Between bursts the time left goes on counting down, by at most one gap.
    const std::chrono::duration<double> waited = std::min(heard - samples.back().at, usualGap());
    // Bounded so that a crawling link cannot overflow the count.
    double seconds = std::min(std::ceil(remaining / *bytesPerSecond - waited.count()), 1e9);
    if (remaining > 0)
        seconds = std::max(seconds, 1.0);
    return std::chrono::seconds(static_cast<std::chrono::seconds::rep>(std::max(seconds, 0.0)));
}

TransferRate::ScaledRate TransferRate::scaleRate(double bytesPerSecond) {
    constexpr int lastUnit = 3;
    double value = std::isfinite(bytesPerSecond) ? std::max(0.0, bytesPerSecond) : 0.0;
    ScaledRate scaled;
    for (;;) {
        // A decimal only where the figure has one digit; bytes are whole.
        scaled.decimal = scaled.unit > 0 && value < 9.95;
        scaled.figure = scaled.decimal ? std::round(value * 10) / 10 : std::round(value);
        // Rounding may reach the next unit: 999.7 kB/s reads "1.0 MB/s".
        if (scaled.figure < 1000 || scaled.unit == lastUnit)
            return scaled;
        value /= 1000;
        ++scaled.unit;
    }
}

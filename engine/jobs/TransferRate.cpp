#include "TransferRate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Samples closer together than this are merged into the newest, so a caller
// that reports on every chunk keeps the window at a few dozen samples.
constexpr auto Granularity = TransferRate::Window / 30;

} // namespace

void TransferRate::add(Clock::time_point at, double received, double total) {
    if (!samples.empty() && received < samples.back().received)
        samples.clear();
    // Out of order: older than what is known, it says nothing new.
    if (!samples.empty() && at < samples.back().at)
        return;
    this->total = total;
    // Before the first byte the wait is the server's, not the link's: the
    // measurement starts at the last moment nothing had arrived.
    if (received <= 0)
        samples.clear();
    if (samples.size() >= 2 && at - samples[samples.size() - 2].at < Granularity)
        samples.back() = {at, received};
    else
        samples.push_back({at, received});
    // Keep one sample at or before the window's start to measure from.
    while (samples.size() >= 2 && samples[1].at <= at - Window)
        samples.pop_front();
}

void TransferRate::addSilence(Clock::time_point at) {
    if (!samples.empty())
        add(at, samples.back().received, total);
}

std::optional<TransferRate::Clock::time_point> TransferRate::lastSampleAt() const {
    if (samples.empty())
        return std::nullopt;
    return samples.back().at;
}

void TransferRate::reset() {
    samples.clear();
    total = 0;
}

std::optional<double> TransferRate::rate() const {
    if (samples.size() < 2)
        return std::nullopt;
    const std::chrono::duration<double> span = samples.back().at - samples.front().at;
    if (span.count() <= 0)
        return std::nullopt;
    return (samples.back().received - samples.front().received) / span.count();
}

std::optional<std::chrono::seconds> TransferRate::timeLeft() const {
    const std::optional<double> bytesPerSecond = rate();
    if (total <= 0 || !bytesPerSecond || *bytesPerSecond <= 0)
        return std::nullopt;
    const double remaining = std::max(0.0, total - samples.back().received);
    // Bounded so that a crawling link cannot overflow the count.
    const double seconds = std::min(std::ceil(remaining / *bytesPerSecond), 1e9);
    return std::chrono::seconds(static_cast<std::chrono::seconds::rep>(seconds));
}

std::string TransferRate::describe() const {
    const std::optional<double> bytesPerSecond = rate();
    if (!bytesPerSecond)
        return {};
    std::string text = formatRate(*bytesPerSecond);
    if (const auto left = timeLeft())
        text += ", " + formatTimeLeft(*left);
    return text;
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

std::string TransferRate::formatRate(double bytesPerSecond) {
    static constexpr const char* units[] = {"B/s", "kB/s", "MB/s", "GB/s"};
    const ScaledRate scaled = scaleRate(bytesPerSecond);
    char out[32];
    std::snprintf(out, sizeof out, scaled.decimal ? "%.1f %s" : "%.0f %s", scaled.figure,
                  units[scaled.unit]);
    return out;
}

std::string TransferRate::formatTimeLeft(std::chrono::seconds left) {
    const long long total = std::max<long long>(0, left.count());
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const long long seconds = total % 60;
    char out[48];
    if (hours > 0)
        std::snprintf(out, sizeof out, "%lld:%02lld:%02lld left", hours, minutes, seconds);
    else
        std::snprintf(out, sizeof out, "%lld:%02lld left", minutes, seconds);
    return out;
}

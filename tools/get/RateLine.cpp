#include "RateLine.h"

#include "TransferRate.h"

#include <algorithm>
#include <cstdio>

std::string RateLine::rate(double bytesPerSecond) {
    static constexpr const char* units[] = {"B/s", "kB/s", "MB/s", "GB/s"};
    const TransferRate::ScaledRate scaled = TransferRate::scaleRate(bytesPerSecond);
    char out[32];
    std::snprintf(out, sizeof out, scaled.decimal ? "%.1f %s" : "%.0f %s", scaled.figure,
                  units[scaled.unit]);
    return out;
}

std::string RateLine::timeLeft(std::chrono::seconds left) {
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

std::string RateLine::of(const TransferRate& transfer) {
    const std::optional<double> bytesPerSecond = transfer.rate();
    if (!bytesPerSecond)
        return {};
    std::string text = rate(*bytesPerSecond);
    if (const auto left = transfer.timeLeft())
        text += ", " + timeLeft(*left);
    return text;
}

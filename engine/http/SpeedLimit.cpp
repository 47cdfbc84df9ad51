#include "SpeedLimit.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// libcurl's smallest receive buffer.
constexpr long minBufferBytes = 1024;

} // namespace

SpeedLimit::SpeedLimit(std::int64_t rate, Now clock)
    : now(std::move(clock)), bytesPerSecond(std::max<std::int64_t>(rate, 0)), available(0),
      filledAt(now()) {}

void SpeedLimit::refill() {
    const Clock::time_point at = now();
    const std::chrono::duration<double> passed = at - filledAt;
    filledAt = at;
    if (bytesPerSecond <= 0 || passed.count() <= 0)
        return;
    // At most a second's worth: a transfer that was idle gets no burst beyond it.
    const double burst = static_cast<double>(bytesPerSecond);
    available = std::min(burst, available + passed.count() * burst);
}

double SpeedLimit::debtBound() const {
    return std::max(static_cast<double>(bytesPerSecond) * maxDebtSeconds,
                    static_cast<double>(minBufferBytes));
}

void SpeedLimit::setRate(std::int64_t rate) {
    const std::lock_guard<std::mutex> lock(mutex);
    refill();
    const bool wasOff = bytesPerSecond <= 0;
    bytesPerSecond = std::max<std::int64_t>(rate, 0);
    // A limit turned on starts with an empty bucket, as a new one does, so
    // that it holds from the first byte; a lower one holds at once, and a
    // debt made under the old one stays, but no more of it than the new
    // rate may owe (a chunk taken at 1 MB/s is minutes of debt at 1 kB/s).
    available =
        wasOff ? 0 : std::clamp(available, -debtBound(), static_cast<double>(bytesPerSecond));
}

std::int64_t SpeedLimit::rate() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return bytesPerSecond;
}

bool SpeedLimit::take(std::size_t n) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (bytesPerSecond <= 0)
        return true;
    refill();
    if (available <= 0)
        return false;
    available -= static_cast<double>(n);
    return true;
}

bool SpeedLimit::ready() {
    const std::lock_guard<std::mutex> lock(mutex);
    if (bytesPerSecond <= 0)
        return true;
    refill();
    return available > 0;
}

long SpeedLimit::bufferBytes(long unlimited) const {
    const std::lock_guard<std::mutex> lock(mutex);
    if (bytesPerSecond <= 0)
        return unlimited;
    // A tenth of a second at the limit keeps the debt of one chunk small.
    const std::int64_t tenth = bytesPerSecond / 10;
    return static_cast<long>(std::clamp<std::int64_t>(tenth, minBufferBytes, unlimited));
}

int SpeedLimit::transfers() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return registered;
}

std::int64_t SpeedLimit::share() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return bytesPerSecond / std::max(registered, 1);
}

double SpeedLimit::maxDebt() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return debtBound();
}

SpeedLimit::Registration::Registration(SpeedLimit* shared) : limit(shared) {
    if (limit) {
        const std::lock_guard<std::mutex> lock(limit->mutex);
        ++limit->registered;
    }
}

SpeedLimit::Registration::~Registration() {
    if (limit) {
        const std::lock_guard<std::mutex> lock(limit->mutex);
        --limit->registered;
    }
}

double SpeedLimit::tokens() {
    const std::lock_guard<std::mutex> lock(mutex);
    refill();
    return available;
}

std::optional<std::int64_t> SpeedLimit::parseRate(std::string_view text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0 || text.size() > digits + 1)
        return std::nullopt;
    std::int64_t unit = 1;
    if (text.size() == digits + 1) {
        switch (text[digits]) {
        case 'G':
        case 'g':
            unit = std::int64_t{1} << 30;
            break;
        case 'M':
        case 'm':
            unit = std::int64_t{1} << 20;
            break;
        case 'K':
        case 'k':
            unit = std::int64_t{1} << 10;
            break;
        case 'B':
        case 'b':
            break;
        default:
            return std::nullopt;
        }
    }
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = text[i] - '0';
        if (value > (most - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value > most / unit)
        return std::nullopt;
    return value * unit;
}

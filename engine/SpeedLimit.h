#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>

// One download speed limit shared by every running transfer: a token bucket
// that starts empty, fills at the limit's rate and holds at most a second of
// it. A transfer spends tokens for each chunk it receives; once they run out
// it pauses (CURL_WRITEFUNC_PAUSE) and goes on when ready() says so. The rate
// can change at any time and reaches the running transfers at once, which
// libcurl's own per-handle limit cannot. Thread-safe.
class SpeedLimit {
public:
    using Clock = std::chrono::steady_clock;
    // Tests pass a clock of their own.
    using Now = std::function<Clock::time_point()>;

    explicit SpeedLimit(std::int64_t bytesPerSecond = 0, Now now = &Clock::now);

    // 0: no limit.
    void setRate(std::int64_t bytesPerSecond);
    std::int64_t rate() const;

    // A chunk of n bytes arrived: true when it may be taken now, and its
    // tokens are spent (the bucket may go into debt by one chunk, so a
    // chunk larger than a second's worth still passes); false when the
    // transfer must pause and offer it again later.
    bool take(std::size_t n);
    // Whether a paused transfer may go on.
    bool ready();

    // The receive buffer a transfer starting now should use: small enough
    // that one chunk is a fraction of a second at the limit.
    long bufferBytes(long unlimited) const;

    // A rate in curl's forms (--limit-rate): bytes a second, or with a K, M
    // or G (of 1024) or B after the number, either case ("500K", "2m",
    // "65536"). Nothing when it is not one.
    static std::optional<std::int64_t> parseRate(std::string_view text);

    // Tokens in the bucket now (negative: debt), for tests.
    double tokens();

private:
    void refill();

    mutable std::mutex mutex;
    Now now;
    std::int64_t bytesPerSecond;
    double available;
    Clock::time_point filledAt;
};

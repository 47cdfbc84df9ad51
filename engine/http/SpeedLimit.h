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
// libcurl's own per-handle limit cannot.
//
// A chunk is paid in full: the bucket owes what it took beyond its tokens,
// and no transfer goes on before the debt is paid back, so the limit holds
// from the moment it is set, also for a transfer that started under a
// higher limit or none and keeps its large receive buffer (libcurl cannot
// change it while it runs: its chunks of up to 16 KiB pass one every few
// seconds under a low limit). Only a rate that changes forgets debt made
// under the old one beyond maxDebt() of the new. Thread-safe.
class SpeedLimit {
public:
    using Clock = std::chrono::steady_clock;
    // Tests pass a clock of their own.
    using Now = std::function<Clock::time_point()>;

    // A transfer's place among those sharing the limit while it receives:
    // held by each movie transfer for as long as it runs. limit may be null
    // (no limit) and must outlive it.
    class Registration {
    public:
        explicit Registration(SpeedLimit* limit);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        SpeedLimit* limit;
    };

    explicit SpeedLimit(std::int64_t bytesPerSecond = 0, Now now = &Clock::now);

    // 0: no limit.
    void setRate(std::int64_t bytesPerSecond);
    std::int64_t rate() const;

    // A chunk of n bytes arrived: true when it may be taken now, and its
    // tokens are spent (the bucket may go into debt by one chunk, so a
    // chunk larger than a second's worth still passes, and is paid for
    // before the next); false when the transfer must pause and offer it
    // again later.
    bool take(std::size_t n);
    // Whether a paused transfer may go on.
    bool ready();

    // The receive buffer a transfer starting now should use: small enough
    // that one chunk is a fraction of a second at the limit.
    long bufferBytes(long unlimited) const;

    // How many transfers hold a Registration now.
    int transfers() const;
    // What each of them may have: the rate divided among them (the whole
    // rate when none runs); 0 when there is no limit.
    std::int64_t share() const;
    // The most debt a change of rate keeps: maxDebtSeconds at the new rate,
    // and never less than libcurl's smallest chunk (what a transfer started
    // under the limit reads at most: bufferBytes() stays within it).
    double maxDebt() const;
    static constexpr double maxDebtSeconds = 2;

    // A rate in curl's forms (--limit-rate): bytes a second, or with a K, M
    // or G (of 1024) or B after the number, either case ("500K", "2m",
    // "65536"). Nothing when it is not one.
    static std::optional<std::int64_t> parseRate(std::string_view text);

    // Tokens in the bucket now (negative: debt), for tests.
    double tokens();

private:
    void refill();
    double debtBound() const;

    mutable std::mutex mutex;
    Now now;
    std::int64_t bytesPerSecond;
    double available;
    Clock::time_point filledAt;
    int registered = 0;
};

#pragma once

#include <chrono>
#include <deque>
#include <optional>

// Speed and time left of one transfer, from its progress samples. Bytes may
// come in bursts: the speed limit lets a chunk through, then holds the
// transfer until its debt is paid (at most SpeedLimit::maxDebtSeconds, and
// up to a second more until libcurl looks again). So the rate is measured
// from one moment the count grew to another, over at least Window, which
// holds two such cycles: a limited transfer reads its steady rate instead
// of a burst's or a pause's. Once the next growth is overdue (later than the
// usual gap between them) the waiting counts too, so a stalled transfer
// falls to zero within a window. Fewer bytes than before means the transfer
// started over: what was measured is dropped. Figures only: whoever shows
// them makes their words (RateText for the window, RateLine for
// quillmoth-get). Not thread-safe; one per transfer.
class TransferRate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Window{8000};

    // total is 0 while unknown.
    void add(Clock::time_point at, double received, double total);
    // Nothing more has arrived by at: the last count and total hold until then.
    void addSilence(Clock::time_point at);
    void reset();
    // The last moment a sample or a silence told how far the transfer was;
    // none before the first sample.
    std::optional<Clock::time_point> lastSampleAt() const;

    // Bytes a second; none until the count has grown once after the first
    // sample, 0 once it has not grown for a whole window.
    std::optional<double> rate() const;
    // At that rate, counted down since the last growth, rounded up (a byte
    // to go is a second); none when the total is unknown or the rate is none
    // or zero.
    std::optional<std::chrono::seconds> timeLeft() const;

    // A speed in decimal units, as shown: the figure rounded to one decimal
    // where it has one digit (never for bytes), and the unit, 0 (B/s) to 3
    // (GB/s), for its words to put in their number format.
    struct ScaledRate {
        double figure = 0;
        int unit = 0;
        bool decimal = false;
    };
    static ScaledRate scaleRate(double bytesPerSecond);

private:
    struct Sample {
        Clock::time_point at;
        double received;
    };
    // The time after the last growth that is not overdue yet: the mean gap
    // between the growths measured.
    Clock::duration usualGap() const;

    // The moments the count grew, oldest first; the first is the newest one
    // at or before the window's start (or the first sample).
    std::deque<Sample> samples;
    Clock::time_point heard{};
    double total = 0;
};

#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

// Speed and time left of one transfer, from its progress samples: the rate
// over the last Window (over what there is until that much has passed), so
// that it follows a changing link within a few seconds but does not jump
// with every chunk. Fewer bytes than before means the transfer started over:
// what was measured is dropped. Not thread-safe; one per transfer.
class TransferRate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Window{3000};

    // total is 0 while unknown.
    void add(Clock::time_point at, double received, double total);
    // Nothing more has arrived by at: the last count and total hold until then.
    void addSilence(Clock::time_point at);
    void reset();
    // When the last sample was taken; none before the first.
    std::optional<Clock::time_point> lastSampleAt() const;

    // Bytes a second; none until two samples lie some time apart.
    std::optional<double> rate() const;
    // At that rate, rounded up; none when the total is unknown or the rate is none or zero.
    std::optional<std::chrono::seconds> timeLeft() const;
    // "2.4 MB/s, 0:42 left", "2.4 MB/s" without a time left, "" without a rate.
    std::string describe() const;

    // A speed in decimal units, as shown: the figure rounded to one decimal
    // where it has one digit (never for bytes), and the unit, 0 (B/s) to 3
    // (GB/s). The window puts it in the user's number format.
    struct ScaledRate {
        double figure = 0;
        int unit = 0;
        bool decimal = false;
    };
    static ScaledRate scaleRate(double bytesPerSecond);
    // Decimal units: "512 B/s", "2.4 MB/s", "24 MB/s".
    static std::string formatRate(double bytesPerSecond);
    // "0:42 left", "12:05 left", "1:02:03 left".
    static std::string formatTimeLeft(std::chrono::seconds left);

private:
    struct Sample {
        Clock::time_point at;
        double received;
    };
    // Oldest first; the first is the newest one at or before the window's start.
    std::deque<Sample> samples;
    double total = 0;
};

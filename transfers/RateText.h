#pragma once

#include <QCoreApplication>
#include <QString>

#include <chrono>
#include <optional>

// Speeds and times left as the window shows them: the engine's figures in
// the user's language and number format ("2.4 MB/s" or "2,4 MB/s").
class RateText {
    Q_DECLARE_TR_FUNCTIONS(RateText)

public:
    // Decimal units, one decimal where the figure has one digit: "512 B/s", "2.4 MB/s", "24 MB/s".
    static QString rate(double bytesPerSecond);
    // "0:42 left", "12:05 left", "1:02:03 left".
    static QString timeLeft(std::chrono::seconds left);
    // "2.4 MB/s, 0:42 left", "2.4 MB/s" without a time left.
    static QString of(double bytesPerSecond, std::optional<std::chrono::seconds> left);
};

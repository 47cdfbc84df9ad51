#pragma once

#include <chrono>
#include <string>

class TransferRate;

// Speeds and times left as quillmoth-get draws them on its progress line.
class RateLine {
public:
    // Decimal units: "512 B/s", "2.4 MB/s", "24 MB/s".
    static std::string rate(double bytesPerSecond);
    // "0:42 left", "12:05 left", "1:02:03 left".
    static std::string timeLeft(std::chrono::seconds left);
    // "2.4 MB/s, 0:42 left", "2.4 MB/s" without a time left, "" without a rate.
    static std::string of(const TransferRate& rate);
};

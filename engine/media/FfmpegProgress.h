#pragma once

#include <chrono>
#include <functional>
#include <string>

// Turns the lines of ffmpeg's "-progress pipe:1" into calls of a progress
// function, in seconds of media, at most one per interval plus a last one
// from finish(). Lives on the worker thread that waits for ffmpeg.
class FfmpegProgress {
public:
    using Report = std::function<void(double done, double total)>;

    FfmpegProgress(double totalSeconds, Report report,
                   std::chrono::milliseconds interval = std::chrono::milliseconds(100));

    // One line of ffmpeg's progress output.
    void line(const std::string& text);

    // Reports the end: done becomes the total when the total is known.
    void finish();

    double done() const { return doneSeconds; }

private:
    void report(bool force);

    double total;
    Report sink;
    std::chrono::milliseconds interval;
    double doneSeconds = 0;
    double reportedSeconds = -1;
    std::chrono::steady_clock::time_point lastReport{};
    bool reportedOnce = false;
};

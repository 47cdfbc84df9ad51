#include "media/FfmpegProgress.h"

#include <algorithm>
#include <charconv>
#include <utility>

FfmpegProgress::FfmpegProgress(double totalSeconds, Report report, std::chrono::milliseconds every)
    : total(totalSeconds > 0 ? totalSeconds : 0), sink(std::move(report)), interval(every) {}

void FfmpegProgress::line(const std::string& text) {
    // out_time_ms is microseconds too (an old misnomer ffmpeg keeps).
    static const std::string keys[] = {"out_time_us=", "out_time_ms="};
    for (const auto& key : keys) {
        if (text.compare(0, key.size(), key) != 0) {
            continue;
        }
        long long micros = 0;
        const char* begin = text.data() + key.size();
        const char* end = text.data() + text.size();
        const auto [stop, err] = std::from_chars(begin, end, micros);
        // "N/A" and the negative times of the first packets are skipped.
        if (err != std::errc{} || stop != end || micros < 0) {
            return;
        }
        double seconds = static_cast<double>(micros) / 1e6;
        if (total > 0) {
            seconds = std::min(seconds, total);
        }
        doneSeconds = std::max(doneSeconds, seconds);
        report(false);
        return;
    }
}

void FfmpegProgress::finish() {
    if (total > 0) {
        doneSeconds = total;
    }
    report(true);
}

void FfmpegProgress::report(bool force) {
    // Nothing new since the last call: the caller knows it already.
    if (!sink || (reportedOnce && doneSeconds == reportedSeconds)) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && reportedOnce && now - lastReport < interval) {
        return;
    }
    lastReport = now;
    reportedOnce = true;
    reportedSeconds = doneSeconds;
    sink(doneSeconds, total);
}

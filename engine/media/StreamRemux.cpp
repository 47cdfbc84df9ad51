#include "StreamRemux.h"

#include "CancelToken.h"
#include "FfmpegArguments.h"
#include "FfmpegFeatures.h"
#include "HttpAddress.h"
#include "MediaProbe.h"
#include "Mp3Encoder.h"
#include "ProcessRunner.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string_view>

namespace {

// ffmpeg's "-progress" lines come in blocks, each ended by "progress=";
// the block's time and size are handed on there.
class ProgressBlocks {
public:
    explicit ProgressBlocks(const StreamRemux::Progress& report) : report_(report) {}

    void line(std::string_view text) {
        if (read(text, "out_time_us=", micros_) || read(text, "total_size=", bytes_))
            return;
        if (text.substr(0, 9) == "progress=" && report_)
            report_(static_cast<double>(micros_) / 1e6, bytes_);
    }

private:
    // "N/A" and the negative times of the first packets leave the last value.
    static bool read(std::string_view text, std::string_view key, long long& value) {
        if (text.substr(0, key.size()) != key)
            return false;
        const char* end = text.data() + text.size();
        long long read = 0;
        const auto [stop, error] = std::from_chars(text.data() + key.size(), end, read);
        if (error == std::errc{} && stop == end && read >= 0)
            value = read;
        return true;
    }

    const StreamRemux::Progress& report_;
    long long micros_ = 0;
    long long bytes_ = 0;
};

// What ffmpeg's log said while it ran.
struct Log {
    bool lostPart = false;
    bool writeFailed = false;
    // Its last errors and lost parts, shown when the run fails.
    std::deque<std::string> errors;
};

bool lastsAsLong(const MediaProbe::Info& info, double duration) {
    return duration <= 0 ||
           (info.duration > 0 && std::abs(info.duration - duration) <= StreamRemux::durationSlack);
}

} // namespace

bool StreamRemux::reportsLostPart(const std::string& line) {
    // hls: a part it could not open, skipped. http: a body that ended
    // before its length. (dash says "Failed to open fragment" past a
    // stream's last part too, so a part it skips shows in the length only.)
    static const char* const marks[] = {"Failed to open segment", "Stream ends prematurely"};
    for (const char* mark : marks)
        if (line.find(mark) != std::string::npos)
            return true;
    return false;
}

// Runs on the job's worker thread; ffmpeg's lines reach the sinks there too.
StreamRemux::Outcome StreamRemux::run(const StreamRequest& request, long stallSeconds,
                                      const std::string& output, const CancelToken* cancel,
                                      const Progress& progress) {
    if (request.inputs.empty() || request.inputs.size() > 2 || request.maps.empty())
        return Outcome::Failed;
    for (const std::string& input : request.inputs)
        if (!isHttpAddress(input))
            return Outcome::Failed;
    const bool picky =
        request.kind == StreamRequest::Kind::Hls && FfmpegFeatures::hlsExtensionPicky();
    ProcessRunner ffmpeg(FfmpegArguments::streamRemux(request, stallSeconds, picky, output));
    ProgressBlocks blocks(progress);
    ffmpeg.readStdoutLines([&blocks](const std::string& line) { blocks.line(line); });
    Log log;
    ffmpeg.readStderrLines([&log, &ffmpeg](const std::string& line) {
        log.writeFailed = log.writeFailed || Mp3Encoder::reportsWriteFailure(line);
        // A stream with a part left out is lost already: ffmpeg is not left
        // to wait out a stalled server for each part after it.
        const bool lost = reportsLostPart(line);
        if (lost && !log.lostPart) {
            log.lostPart = true;
            ffmpeg.endEarly();
        }
        if (lost || line.find("[error]") != std::string::npos ||
            line.find("[fatal]") != std::string::npos) {
            log.errors.push_back(line);
            if (log.errors.size() > 8)
                log.errors.pop_front();
        }
    });
    if (!ffmpeg.start())
        return ffmpeg.startError() == ENOENT ? Outcome::FfmpegMissing : Outcome::Failed;
    const int status = ffmpeg.wait(cancel);
    if (cancel != nullptr && cancel->cancelled())
        return Outcome::Cancelled;
    if (status != 0 || log.lostPart || log.writeFailed) {
        // Its warnings are chatty; its last errors say what went wrong.
        for (const std::string& line : log.errors)
            std::fprintf(stderr, "%s\n", line.c_str());
        return Outcome::Failed;
    }

    const MediaProbe::Result probed = MediaProbe::probe(output, cancel);
    switch (probed.status) {
    case MediaProbe::Status::Ok:
        break;
    case MediaProbe::Status::Cancelled:
        return Outcome::Cancelled;
    case MediaProbe::Status::NoProgram:
        return Outcome::FfmpegMissing;
    case MediaProbe::Status::Unreadable:
        return Outcome::CheckFailed;
    }
    const MediaProbe::Info& info = probed.info;
    const bool tracks = request.audioOnly ? info.audio() != nullptr
                                          : info.audio() != nullptr || info.video() != nullptr;
    return tracks && lastsAsLong(info, request.duration) ? Outcome::Ok : Outcome::CheckFailed;
}

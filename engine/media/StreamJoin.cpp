#include "StreamJoin.h"

#include "CancelToken.h"
#include "FfmpegArguments.h"
#include "MediaProbe.h"
#include "ProcessRunner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <deque>

// Runs on the job's worker thread.
StreamJoin::Outcome StreamJoin::run(const Request& request, const std::string& output,
                                    const CancelToken* cancel) {
    if (request.parts.empty())
        return Outcome::Failed;
    for (const Part& part : request.parts)
        if (part.path.empty() || (!part.picture && !part.sound))
            return Outcome::Failed;
    ProcessRunner ffmpeg(FfmpegArguments::streamJoin(request.parts, output));
    ffmpeg.discardStdout(true);
    std::deque<std::string> errors;
    ffmpeg.readStderrLines([&errors](const std::string& line) {
        errors.push_back(line);
        if (errors.size() > 8)
            errors.pop_front();
    });
    if (!ffmpeg.start())
        return ffmpeg.startError() == ENOENT ? Outcome::FfmpegMissing : Outcome::Failed;
    const int status = ffmpeg.wait(cancel);
    if (cancel != nullptr && cancel->cancelled())
        return Outcome::Cancelled;
    if (status != 0) {
        for (const std::string& line : errors)
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
    const bool tracks = request.soundOnly ? info.audio() != nullptr
                                          : info.audio() != nullptr || info.video() != nullptr;
    const bool lasts =
        request.seconds <= 0 ||
        (info.duration > 0 && std::abs(info.duration - request.seconds) <= durationSlack);
    return tracks && lasts ? Outcome::Ok : Outcome::CheckFailed;
}

#include "media/Mp3Encoder.h"
#include "files/FilePath.h"
#include "files/StagedFile.h"
#include "media/FfmpegArguments.h"
#include "media/FfmpegProgress.h"
#include "media/MediaProbe.h"
#include "media/ProcessRunner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

using Outcome = Mp3Encoder::Outcome;

Mp3Encoder::Result outcome(Outcome o) {
    Mp3Encoder::Result r;
    r.outcome = o;
    return r;
}

// Whether the MP3 holds all of the movie's sound. A movie whose length
// ffprobe could not tell (0) is compared with nothing, but the MP3 must still
// have a length of its own.
Outcome checkLength(double sourceSeconds, const std::string& mp3, const CancelToken* cancel) {
    const MediaProbe::Result made = MediaProbe::probe(mp3, cancel);
    if (made.status == MediaProbe::Status::Cancelled) {
        return Outcome::Cancelled;
    }
    const double madeSeconds =
        made.status == MediaProbe::Status::Ok ? made.info.audioDuration() : 0;
    if (madeSeconds <= 0) {
        return Outcome::Failed;
    }
    if (sourceSeconds > 0 && std::fabs(madeSeconds - sourceSeconds) > Mp3Encoder::durationSlack) {
        return Outcome::Failed;
    }
    return Outcome::Ok;
}

struct Run {
    int status = -1;
    bool writeFailed = false;
    int startError = 0;
};

// One ffmpeg run into output; progress in seconds of sound.
Run runFfmpeg(const std::vector<std::string>& args, double sourceSeconds,
              const Mp3Encoder::Progress& progress, const CancelToken* cancel) {
    Run run;
    FfmpegProgress reporter(sourceSeconds, progress);
    ProcessRunner ffmpeg(args);
    ffmpeg.readStdoutLines([&reporter](const std::string& line) { reporter.line(line); });
    ffmpeg.readStderrLines([&run](const std::string& line) {
        run.writeFailed = run.writeFailed || Mp3Encoder::reportsWriteFailure(line);
        // Passed on as ffmpeg would have written it, for whoever reads our stderr.
        std::fprintf(stderr, "%s\n", line.c_str());
    });
    if (!ffmpeg.start()) {
        run.startError = ffmpeg.startError();
        return run;
    }
    run.status = ffmpeg.wait(cancel);
    if (run.status == 0)
        reporter.finish();
    return run;
}

} // namespace

bool Mp3Encoder::reportsWriteFailure(const std::string& line) {
    // What ffmpeg and the C library say when the output stopped short.
    static const char* const marks[] = {
        "No space left on device",      "Disk quota exceeded",
        "Input/output error",           "File too large",
        "Error writing trailer",        "Error submitting a packet to the muxer",
        "av_interleaved_write_frame()", "Error closing file"};
    for (const char* mark : marks) {
        if (line.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

Mp3Encoder::Result Mp3Encoder::encode(const std::string& movie, const std::string& folder,
                                      const std::string& title, const std::string& bitRate,
                                      const Mp3Tags& tags, const CancelToken* cancel,
                                      const Progress& progress) {
    StagedFile output(folder + "/" + title + ".mp3");
    switch (output.open()) {
    case StagedFile::Opened::Ok:
        break;
    case StagedFile::Opened::FolderUnusable:
        return outcome(Outcome::FolderUnusable);
    case StagedFile::Opened::NameRefused:
        return outcome(Outcome::Failed);
    }

    // The movie's length, for the progress and the check of the MP3.
    const MediaProbe::Result source = MediaProbe::probe(movie, cancel);
    if (source.status == MediaProbe::Status::Cancelled) {
        return outcome(Outcome::Cancelled);
    }
    const double sourceSeconds =
        source.status == MediaProbe::Status::Ok ? source.info.audioDuration() : 0;

    Run made = runFfmpeg(FfmpegArguments::mp3(movie, bitRate, tags, output.tempPath()),
                         sourceSeconds, progress, cancel);
    if (made.status != 0 && made.status != ProcessRunner::Cancelled && made.startError == 0 &&
        !tags.cover.empty()) {
        // A cover ffmpeg would not take costs the cover, not the MP3.
        Mp3Tags plain = tags;
        plain.cover.clear();
        made = runFfmpeg(FfmpegArguments::mp3(movie, bitRate, plain, output.tempPath()),
                         sourceSeconds, progress, cancel);
    }
    if (made.startError != 0) {
        return outcome(made.startError == ENOENT ? Outcome::NoFfmpeg : Outcome::Failed);
    }
    const int status = made.status;
    const bool writeFailed = made.writeFailed;
    if (status == ProcessRunner::Cancelled) {
        return outcome(Outcome::Cancelled);
    }
    if (status != 0 || writeFailed || output.size() <= 0) {
        return outcome(Outcome::Failed);
    }
    const Outcome checked = checkLength(sourceSeconds, output.tempPath(), cancel);
    if (checked != Outcome::Ok) {
        return outcome(checked);
    }
    if (!output.commit()) {
        return outcome(Outcome::Failed);
    }
    Result done;
    done.outcome = Outcome::Ok;
    done.savedName = FilePath::fileNameOf(output.target());
    return done;
}

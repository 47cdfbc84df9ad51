#include "media/PlayableCopy.h"
#include "base/CancelToken.h"
#include "files/StagedFile.h"
#include "media/CopyCache.h"
#include "media/FfmpegArguments.h"
#include "media/FfmpegProgress.h"
#include "media/MediaProbe.h"
#include "media/ProcessRunner.h"

#include <initializer_list>
#include <utility>

namespace {

using Stream = MediaProbe::Stream;
using Info = MediaProbe::Info;

bool isOneOf(const std::string& value, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (value == n) {
            return true;
        }
    }
    return false;
}

// H.264 the pane decodes: 8-bit 4:2:0 (High 10 or 4:4:4 it cannot).
bool playableH264(const Stream* v) {
    return v->codec == "h264" && isOneOf(v->pixelFormat, {"yuv420p", "yuvj420p"});
}

bool mp4Codecs(const Stream* video, const Stream* audio) {
    return (video != nullptr || audio != nullptr) && (video == nullptr || playableH264(video)) &&
           (audio == nullptr || isOneOf(audio->codec, {"aac", "mp3"}));
}

bool playsAsIs(const Info& info) {
    const Stream* video = info.video();
    const Stream* audio = info.audio();
    if (info.hasFormat("mp3")) {
        return video == nullptr && audio != nullptr && audio->codec == "mp3";
    }
    if (info.hasFormat("mp4") || info.hasFormat("mov")) {
        return mp4Codecs(video, audio);
    }
    if (info.hasFormat("webm")) {
        return (video != nullptr || audio != nullptr) &&
               (video == nullptr || isOneOf(video->codec, {"vp8", "vp9", "av1"})) &&
               (audio == nullptr || isOneOf(audio->codec, {"vorbis", "opus"}));
    }
    return false;
}

enum class Made { Ok, Failed, NoProgram, NoFolder, Cancelled };

// Runs ffmpeg from input into the copy's temporary file and renames that
// into place only when ffmpeg succeeded; on the worker thread.
Made runFfmpeg(const std::string& input, const std::string& copy, const Info& info, bool remux,
               const PlayableCopy::Progress& progress, const CancelToken* cancel) {
    StagedFile output(copy);
    if (output.open() != StagedFile::Opened::Ok) {
        return Made::NoFolder;
    }
    FfmpegProgress reporter(info.duration, progress);
    ProcessRunner ffmpeg(FfmpegArguments::playableMp4(input, info, remux, output.tempPath()));
    ffmpeg.readStdoutLines([&reporter](const std::string& line) { reporter.line(line); });
    if (!ffmpeg.start()) {
        return Made::NoProgram;
    }
    const int status = ffmpeg.wait(cancel);
    if (status == ProcessRunner::Cancelled) {
        return Made::Cancelled;
    }
    if (status != 0 || output.size() <= 0 || !output.commit()) {
        return Made::Failed;
    }
    reporter.finish();
    return Made::Ok;
}

PlayableCopy::Result failed(Reason why) {
    PlayableCopy::Result r;
    r.outcome = PlayableCopy::Outcome::Failed;
    r.reason = why;
    return r;
}

PlayableCopy::Result cancelled() {
    PlayableCopy::Result r;
    r.outcome = PlayableCopy::Outcome::Cancelled;
    return r;
}

PlayableCopy::Result ready(PlayableCopy::Way way, std::string path) {
    PlayableCopy::Result r;
    r.outcome = PlayableCopy::Outcome::Ready;
    r.way = way;
    r.path = std::move(path);
    return r;
}

} // namespace

PlayableCopy::PlayableCopy(std::string folder, std::uintmax_t limitBytes)
    : cacheFolder(std::move(folder)), limit(limitBytes) {}

// Runs on a worker thread.
PlayableCopy::Result PlayableCopy::prepare(const std::string& media, const Progress& progress,
                                           const CancelToken* cancel) const {
    if (cancel != nullptr && cancel->cancelled()) {
        return cancelled();
    }
    const CopyCache cache(cacheFolder);
    const std::string copy = cache.copyPathFor(media);
    if (copy.empty()) {
        return failed(Reason::PlayNoFile);
    }
    if (CopyCache::touch(copy)) {
        return ready(Way::Cached, copy);
    }

    const MediaProbe::Result probed = MediaProbe::probe(media, cancel);
    switch (probed.status) {
    case MediaProbe::Status::Ok:
        break;
    case MediaProbe::Status::NoProgram:
        return failed(Reason::PlayFfmpegMissing);
    case MediaProbe::Status::Cancelled:
        return cancelled();
    case MediaProbe::Status::Unreadable:
        return failed(Reason::PlayUnreadable);
    }
    const Info& info = probed.info;
    if (info.video() == nullptr && info.audio() == nullptr) {
        return failed(Reason::PlayUnreadable);
    }
    if (playsAsIs(info)) {
        return ready(Way::AsIs, media);
    }

    if (!cache.create()) {
        return failed(Reason::PlayCacheUnusable);
    }
    Way way = mp4Codecs(info.video(), info.audio()) ? Way::Remux : Way::Transcode;
    Made made = runFfmpeg(media, copy, info, way == Way::Remux, progress, cancel);
    if (made == Made::Failed && way == Way::Remux) {
        // Codecs that look right may still not fit MP4 as they are.
        way = Way::Transcode;
        made = runFfmpeg(media, copy, info, false, progress, cancel);
    }
    switch (made) {
    case Made::Ok:
        break;
    case Made::NoProgram:
        return failed(Reason::PlayFfmpegMissing);
    case Made::NoFolder:
        return failed(Reason::PlayCacheUnusable);
    case Made::Cancelled:
        return cancelled();
    case Made::Failed:
        return failed(Reason::PlayUnconvertible);
    }
    cache.prune(limit, copy);
    return ready(way, copy);
}

std::string PlayableCopy::cachedCopy(const std::string& media) const {
    const std::string copy = CopyCache(cacheFolder).copyPathFor(media);
    if (copy.empty() || !CopyCache::exists(copy))
        return {};
    // Asked for to play it: this is its last use, which pruning goes by.
    CopyCache::touch(copy);
    return copy;
}

#include "media/FfmpegFeatures.h"

#include "media/FfmpegArguments.h"
#include "media/ProcessRunner.h"

#include <mutex>
#include <optional>
#include <string>

namespace {

// The answer, once ffmpeg gave one.
std::optional<bool> askHelp() {
    bool named = false;
    ProcessRunner ffmpeg(FfmpegArguments::hlsDemuxerHelp());
    ffmpeg.discardStderr(true);
    ffmpeg.readStdoutLines([&named](const std::string& line) {
        named = named || line.find("-extension_picky ") != std::string::npos;
    });
    if (ffmpeg.run() != 0)
        return std::nullopt;
    return named;
}

} // namespace

bool FfmpegFeatures::hlsExtensionPicky() {
    static std::mutex mutex;
    static std::optional<bool> known;
    // Job threads may ask at once; ffmpeg answers in a few milliseconds.
    std::lock_guard lock(mutex);
    if (!known)
        known = askHelp();
    return known.value_or(false);
}

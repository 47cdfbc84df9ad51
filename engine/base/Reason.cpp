#include "base/Reason.h"

// A reason without a name could not be kept.
#pragma GCC diagnostic error "-Wswitch"

std::string_view reasonName(Reason reason) {
    switch (reason) {
    case Reason::None:
        return "";
    case Reason::ReadingPage:
        return "reading-page";
    case Reason::PageReceived:
        return "page-received";
    case Reason::SearchingStream:
        return "searching-stream";
    case Reason::StreamFound:
        return "stream-found";
    case Reason::Connecting:
        return "connecting";
    case Reason::Downloading:
        return "downloading";
    case Reason::Downloaded:
        return "downloaded";
    case Reason::Converting:
        return "converting";
    case Reason::Converted:
        return "converted";
    case Reason::Queued:
        return "queued";
    case Reason::Paused:
        return "paused";
    case Reason::Interrupted:
        return "interrupted";
    case Reason::Cancelled:
        return "cancelled";
    case Reason::StartFailed:
        return "start-failed";
    case Reason::RequestFailed:
        return "request-failed";
    case Reason::PageTooLarge:
        return "page-too-large";
    case Reason::PageTooSlow:
        return "page-too-slow";
    case Reason::NoConnection:
        return "no-connection";
    case Reason::NoStream:
        return "no-stream";
    case Reason::InvalidTitle:
        return "invalid-title";
    case Reason::MovieFolderUnusable:
        return "movie-folder-unusable";
    case Reason::SaveFailed:
        return "save-failed";
    case Reason::NamesTaken:
        return "names-taken";
    case Reason::SourceGone:
        return "source-gone";
    case Reason::StreamProtected:
        return "stream-protected";
    case Reason::StreamLive:
        return "stream-live";
    case Reason::StreamUnsupported:
        return "stream-unsupported";
    case Reason::SubtitlesFailed:
        return "subtitles-failed";
    case Reason::ConversionFailed:
        return "conversion-failed";
    case Reason::FfmpegMissing:
        return "ffmpeg-missing";
    case Reason::MusicFolderUnusable:
        return "music-folder-unusable";
    case Reason::PlayUnreadable:
        return "play-unreadable";
    case Reason::PlayUnconvertible:
        return "play-unconvertible";
    case Reason::PlayFfmpegMissing:
        return "play-ffmpeg-missing";
    case Reason::PlayNoFile:
        return "play-no-file";
    case Reason::PlayCacheUnusable:
        return "play-cache-unusable";
    case Reason::PlayNoThread:
        return "play-no-thread";
    case Reason::PlayFailed:
        return "play-failed";
    case Reason::PlayerPageUnwritten:
        return "player-page-unwritten";
    case Reason::StoreDiskFull:
        return "store-disk-full";
    case Reason::StoreWriteFailed:
        return "store-write-failed";
    case Reason::StoreDamaged:
        return "store-damaged";
    case Reason::StoreNewer:
        return "store-newer";
    case Reason::StoreUnusable:
        return "store-unusable";
    }
    return "";
}

std::optional<Reason> reasonNamed(std::string_view name) {
    // A job's pause and the list's were two reasons once.
    if (name == "job-paused")
        return Reason::Paused;
    for (int i = 0; i <= static_cast<int>(lastReason); ++i)
        if (reasonName(static_cast<Reason>(i)) == name)
            return static_cast<Reason>(i);
    return std::nullopt;
}

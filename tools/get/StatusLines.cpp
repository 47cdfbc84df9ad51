#include "tools/get/StatusLines.h"

// A reason without a line, or an event kind without its lines, fails the build.
#pragma GCC diagnostic error "-Wswitch"

std::string StatusLines::line(Reason reason, const std::string& detail) {
    switch (reason) {
    case Reason::None:
        return detail;
    case Reason::ReadingPage:
        return "Scraping URL...";
    case Reason::PageReceived:
        return "Initial response received!";
    case Reason::SearchingStream:
        return "Searching for download source...";
    case Reason::StreamFound:
        return "Found movie source!";
    case Reason::Connecting:
        return "Requesting connection to download movie...";
    case Reason::Downloading:
        return "Downloading... [Patience]";
    case Reason::Downloaded:
        return "Download Complete!";
    case Reason::Converting:
        return "Converting to mp3...";
    case Reason::Converted:
        return "Complete! Thank you for using Quillmoth.";
    case Reason::Queued:
        return "Queued";
    case Reason::Paused:
        // What a run stopped with --continue ends on.
        return "Paused.";
    case Reason::Interrupted:
        return "Interrupted";
    case Reason::Cancelled:
        return "Cancelled.";
    case Reason::StartFailed:
        return "Error: Could not start download.";
    case Reason::RequestFailed:
        return "Error: Could not create request.";
    case Reason::PageTooLarge:
        return "Error: The page is too large.";
    case Reason::PageTooSlow:
        return "Error: The page took too long to load.";
    case Reason::NoConnection:
        return "Error: Could not make connection.";
    case Reason::NoStream:
        return "Error: Could not locate any movies to download.";
    case Reason::InvalidTitle:
        // The blank at the end is the old program's; scripts may match it.
        return "Error: Invalid Title - Go back to search & change title. ";
    case Reason::MovieFolderUnusable:
        return "Error: Could not write to the movie folder.";
    case Reason::SaveFailed:
        return "Error: Could not save movie.";
    case Reason::NamesTaken:
        return "Error: Could not save movie: every name for it is taken.";
    case Reason::SourceGone:
        return "Error: Open the page again to continue this download.";
    case Reason::StreamProtected:
        return "Error: This video is protected and cannot be saved.";
    case Reason::StreamLive:
        return "Error: This is a live stream and cannot be saved.";
    case Reason::StreamUnsupported:
        return "Error: This stream cannot be saved.";
    case Reason::SubtitlesFailed:
        return "Could not save the subtitles.";
    case Reason::ConversionFailed:
        return "Error: Could not convert to mp3.";
    case Reason::FfmpegMissing:
        return "Error: ffmpeg was not found. Install it (sudo apt install ffmpeg) and try again.";
    case Reason::MusicFolderUnusable:
        return "Error: Could not write to the music folder.";
    case Reason::PlayUnreadable:
        return "This file cannot be played: ffmpeg could not read it.";
    case Reason::PlayUnconvertible:
        return "This file cannot be played: ffmpeg could not convert it.";
    case Reason::PlayFfmpegMissing:
        return "This file cannot be played: ffmpeg is not installed.";
    case Reason::PlayNoFile:
        return "This file cannot be played: it is missing or not a file.";
    case Reason::PlayCacheUnusable:
        return "This file cannot be played: its cache folder cannot be written.";
    case Reason::PlayNoThread:
        return "No thread could be started to prepare it: " + detail;
    case Reason::PlayFailed:
        return detail.empty() ? "Preparing it for playback failed." : detail;
    case Reason::PlayerPageUnwritten:
        return "The player page could not be written in " + detail + ".";
    case Reason::StoreDiskFull:
        return "The transfer list could not be saved: the disk is full. Transfers go on.";
    case Reason::StoreWriteFailed:
        return "The transfer list could not be saved. Transfers go on.";
    case Reason::StoreDamaged:
        return "The transfer list could not be read; it was kept as transfers.sqlite.bad and a "
               "new one started.";
    case Reason::StoreNewer:
        return "The transfer list was written by a newer Quillmoth; it is left as it is and this "
               "session's transfers are not kept.";
    case Reason::StoreUnusable:
        return "The transfer list could not be opened; this session's transfers are not kept.";
    }
    return detail;
}

std::vector<std::string> StatusLines::lines(const JobEvent& event) {
    using Kind = JobEvent::Kind;
    switch (event.kind) {
    case Kind::Progress:
    case Kind::ConvertProgress:
    case Kind::Resumable:
    case Kind::Titled:
    case Kind::Sourced:
        return {};
    case Kind::Status:
    case Kind::Converting:
        return {line(event.reason)};
    case Kind::Container:
        return {"set" + event.text};
    case Kind::Converted:
        return {"setmp3"};
    case Kind::Saved:
        return {"saved:" + event.text};
    case Kind::Finished:
        // A download's "Download Complete!" was its last step already.
        if (event.reason == Reason::Downloaded || event.reason == Reason::None)
            return {"done"};
        return {"done", line(event.reason)};
    case Kind::Failed:
    case Kind::Paused:
    case Kind::Cancelled:
        return {"done", line(event.reason)};
    }
    return {};
}

#include "transfers/ReasonTexts.h"

#include "toolkit/Text.h"

// A reason without words here fails the build.
#pragma GCC diagnostic error "-Wswitch"

QString ReasonTexts::text(Reason reason, const std::string& detail) {
    switch (reason) {
    case Reason::None:
        return wide(detail);
    // A download's steps, and how a job ends well.
    case Reason::ReadingPage:
        return tr("Scraping URL...");
    case Reason::PageReceived:
        return tr("Initial response received!");
    case Reason::SearchingStream:
        return tr("Searching for download source...");
    case Reason::StreamFound:
        return tr("Found movie source!");
    case Reason::Connecting:
        return tr("Requesting connection to download movie...");
    case Reason::Downloading:
        return tr("Downloading... [Patience]");
    case Reason::Downloaded:
        return tr("Download Complete!");
    case Reason::Converting:
        return tr("Converting to mp3...");
    case Reason::Converted:
        return tr("Complete! Thank you for using Quillmoth.");
    // The list's states, and a job's stop.
    case Reason::Queued:
        return tr("Queued");
    case Reason::Paused:
        return tr("Paused");
    case Reason::Interrupted:
        return tr("Interrupted");
    case Reason::Cancelled:
        return tr("Cancelled.");
    // Failures.
    case Reason::StartFailed:
        return tr("Error: Could not start download.");
    case Reason::RequestFailed:
        return tr("Error: Could not create request.");
    case Reason::PageTooLarge:
        return tr("Error: The page is too large.");
    case Reason::PageTooSlow:
        return tr("Error: The page took too long to load.");
    case Reason::NoConnection:
        return tr("Error: Could not make connection.");
    case Reason::NoStream:
        return tr("Error: Could not locate any movies to download.");
    case Reason::InvalidTitle:
        return tr("Error: Invalid Title - Go back to search & change title. ");
    case Reason::MovieFolderUnusable:
        return tr("Error: Could not write to the movie folder.");
    case Reason::SaveFailed:
        return tr("Error: Could not save movie.");
    case Reason::NamesTaken:
        return tr("Error: Could not save movie: every name for it is taken.");
    case Reason::SourceGone:
        return tr("Error: Open the page again to continue this download.");
    case Reason::StreamProtected:
        return tr("Error: This video is protected and cannot be saved.");
    case Reason::StreamLive:
        return tr("Error: This is a live stream and cannot be saved.");
    case Reason::StreamUnsupported:
        return tr("Error: This stream cannot be saved.");
    case Reason::SubtitlesFailed:
        return tr("Could not save the subtitles.");
    case Reason::ConversionFailed:
        return tr("Error: Could not convert to mp3.");
    case Reason::FfmpegMissing:
        return tr(
            "Error: ffmpeg was not found. Install it (sudo apt install ffmpeg) and try again.");
    case Reason::MusicFolderUnusable:
        return tr("Error: Could not write to the music folder.");
    // Preparing a file for the player.
    case Reason::PlayUnreadable:
        return tr("This file cannot be played: ffmpeg could not read it.");
    case Reason::PlayUnconvertible:
        return tr("This file cannot be played: ffmpeg could not convert it.");
    case Reason::PlayFfmpegMissing:
        return tr("This file cannot be played: ffmpeg is not installed.");
    case Reason::PlayNoFile:
        return tr("This file cannot be played: it is missing or not a file.");
    case Reason::PlayCacheUnusable:
        return tr("This file cannot be played: its cache folder cannot be written.");
    case Reason::PlayNoThread:
        return tr("No thread could be started to prepare it: %1").arg(wide(detail));
    case Reason::PlayFailed:
        return detail.empty() ? tr("Preparing it for playback failed.") : wide(detail);
    case Reason::PlayerPageUnwritten:
        return tr("The player page could not be written in %1.").arg(wide(detail));
    // The transfer list's store.
    case Reason::StoreDiskFull:
        return tr("The transfer list could not be saved: the disk is full. Transfers go on.");
    case Reason::StoreWriteFailed:
        return tr("The transfer list could not be saved. Transfers go on.");
    case Reason::StoreDamaged:
        return tr("The transfer list could not be read; it was kept as transfers.sqlite.bad and a "
                  "new one started.");
    case Reason::StoreNewer:
        return tr("The transfer list was written by a newer Quillmoth; it is left as it is and "
                  "this session's transfers are not kept.");
    case Reason::StoreUnusable:
        return tr("The transfer list could not be opened; this session's transfers are not kept.");
    }
    return wide(detail);
}

QString ReasonTexts::cause(Reason reason) {
    // "Error: Could not save movie." reads as "Could not save movie."; the
    // language's own word for "Error: " is what goes.
    const QString words = text(reason);
    const QString prefix = tr("Error: ");
    return words.startsWith(prefix) ? words.mid(prefix.size()) : words;
}

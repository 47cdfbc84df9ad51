#pragma once

#include <optional>
#include <string_view>

// What happened, as a type: a job's steps and how it ended, the transfer
// list's states, why a file cannot be played, what became of the transfer
// store. Whoever shows it makes its words: the command line and the window
// each in one table of their own, whose switch names every reason (a reason
// without words there fails the build). Lives in the engine's lowest room
// because the media room (playable copies) reports reasons too.
enum class Reason {
    None, // nothing to say; a detail beside it is shown as it is
    // A download's steps, and how a job ends well.
    ReadingPage,
    PageReceived,
    SearchingStream,
    StreamFound,
    Connecting,
    Downloading,
    Downloaded,
    Converting,
    Converted,
    // Where the transfer list holds a transfer that no job speaks for.
    Queued,
    Interrupted,
    // Stopped on request, by a job or by the list: paused (to continue
    // later) or cancelled.
    Paused,
    Cancelled,
    // Why a transfer failed.
    StartFailed,
    RequestFailed,
    PageTooLarge,
    PageTooSlow,
    NoConnection,
    NoStream,
    InvalidTitle,
    MovieFolderUnusable,
    SaveFailed,
    NamesTaken,
    SourceGone,        // a resumed transfer's page no longer offers its source
    StreamProtected,   // media under DRM: a stream, or a page playing it
    StreamLive,        // a live stream: it has no end to save
    StreamUnsupported, // a stream of a form, address or size we cannot save
    ConversionFailed,
    FfmpegMissing,
    MusicFolderUnusable,
    SubtitlesFailed,   // a subtitle track could not be saved (the movie was)
    // Why a file cannot be played.
    PlayUnreadable,
    PlayUnconvertible,
    PlayFfmpegMissing,
    PlayNoFile,
    PlayCacheUnusable,
    PlayNoThread,        // detail: the system's words
    PlayFailed,          // detail, when any: what went wrong
    PlayerPageUnwritten, // detail: the folder
    // The transfer list's store.
    StoreDiskFull,
    StoreWriteFailed,
    StoreDamaged,
    StoreNewer,
    StoreUnusable,
};

// The last of the reasons above: a new one goes before it or becomes it.
inline constexpr Reason lastReason = Reason::StoreUnusable;

// The reason's name where it is kept (transfers.sqlite): stable across
// versions, never shown. None's is empty.
std::string_view reasonName(Reason reason);
// The reason of that name (or of a name an earlier version kept); nothing
// for a name this version does not know.
std::optional<Reason> reasonNamed(std::string_view name);

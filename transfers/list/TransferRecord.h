#pragma once

#include "Reason.h"
#include "ResumeState.h"
#include "SourceRef.h"

#include <cstdint>
#include <string>

// Where a transfer stands. Queued waits for a free slot; Interrupted was
// running, queued or converting when the program closed or crashed and
// continues at the next start; Paused is one the user paused.
enum class TransferState {
    Queued,
    Running,
    Paused,
    Converting,
    Done,
    Failed,
    Cancelled,
    Interrupted
};

// What a transfer's latest job was, so that retry and resume start the same.
enum class TransferKind { Download, Conversion };

// One transfer as the list and its store keep it. Plain data: the list
// changes it on the window's thread, the store writes copies of it.
struct TransferRecord {
    // From the store; never reused, stable across runs.
    std::int64_t id = 0;
    TransferState state = TransferState::Queued;
    TransferKind kind = TransferKind::Download;

    // The title people read, in the row and the MP3's tag: the one asked
    // for or the page's, cleaned but not cut to a file name's length. Empty
    // until the page is read when none was asked for.
    std::string title;
    // The title the files' names are made from (the file may add "(1)").
    std::string fileTitle;
    std::string pageUrl;
    int quality = 4;
    // The source saved (or picked to save): a resume finds it again on the
    // page by its label. Empty until the job has chosen, unless picked.
    SourceRef source;
    // Folders of the latest job, without a trailing "/".
    std::string movieFolder;
    std::string musicFolder;
    // Convert to MP3 once downloaded.
    bool convert = false;

    // What a paused or interrupted download continues from.
    ResumeState resume;
    // The movie's bytes so far, as last reported.
    std::int64_t received = 0;
    // 0 while unknown.
    std::int64_t total = 0;

    // "flv" or "mp4" once known.
    std::string type;
    // Paths of the files actually written, empty until saved.
    std::string moviePath;
    std::string mp3Path;
    // What the row says, in the window's words: the job's last step, how it
    // ended, or the list's state.
    Reason status = Reason::None;
    // Why it failed; None unless Failed.
    Reason error = Reason::None;
    // Said as it is while the status is None: a status an older store kept
    // that names no reason.
    std::string detail;

    // Seconds since the epoch; endedAt 0 while not ended.
    std::int64_t addedAt = 0;
    std::int64_t endedAt = 0;
    // Where the row stands in the list, which is also the order queued
    // transfers start in; 0 until the list places it.
    std::int64_t order = 0;

    bool ended() const {
        return state == TransferState::Done || state == TransferState::Failed ||
               state == TransferState::Cancelled;
    }
    // A job of this record runs (or is being stopped).
    bool active() const {
        return state == TransferState::Running || state == TransferState::Converting;
    }
    bool converted() const { return !mp3Path.empty(); }
};

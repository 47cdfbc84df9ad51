#pragma once

#include <QPointer>
#include <QProgressBar>

#include "CancelToken.h"
#include "TransferRate.h"

#include <chrono>
#include <memory>
#include <string>

// The window's record of one transfer. Created and changed on the window's
// thread only; owned by the transfer map of Downloads and never copied.
class DownloadItems {
public:
    // How the latest job on this record stands, as far as its texts have
    // told so far (the window sees nothing else of it).
    enum class Outcome { Running, Converting, Done, Failed, Cancelled };
    // What the latest job was, so that a retry starts the same again.
    enum class Job { Transfer, Conversion };

    DownloadItems(int id, int listID, std::string title, std::string status, QProgressBar* pb);
    DownloadItems(const DownloadItems&) = delete;
    DownloadItems& operator=(const DownloadItems&) = delete;

    const std::string& getTitle() const { return title; }
    const std::string& getStatus() const { return status; }
    const std::string& getType() const { return type; }
    bool converted() const { return isConverted; }
    bool complete() const { return isComplete; }

    void setType(const std::string& ty) { type = ty; }
    void setComplete(bool value) { isComplete = value; }
    void setConverted(bool value) { isConverted = value; }

    // The job has sent its "done" and its last text.
    bool ended() const {
        return isComplete && (outcome == Outcome::Done || outcome == Outcome::Failed ||
                              outcome == Outcome::Cancelled);
    }
    bool canRetry() const {
        return isComplete && (outcome == Outcome::Failed || outcome == Outcome::Cancelled);
    }

    // The id the latest job reports under; a new job gets a new one, so
    // that an earlier job's late reports find no record.
    int id;
    // The movie's name without its extension: the title asked for, then the
    // name the job saved it under.
    std::string title;
    // The MP3's name without ".mp3", which may differ from the movie's.
    std::string mp3Title;
    // The text the row was created with; later texts go to the Status cell only.
    std::string status;
    // The latest text shown in the Status cell.
    std::string shownStatus;
    // File extension without its dot: "mp4" or "flv", empty until reported.
    std::string type;
    bool isConverted = false;
    bool isComplete = false;
    Outcome outcome = Outcome::Running;
    Job job = Job::Transfer;
    // The watch page, for a retry.
    std::string pageUrl;
    // The folders the latest job writes to (the settings when it started).
    std::string movieFolder;
    std::string musicFolder;
    // Position of the row in the transfer list, kept equal to it as rows above go.
    int listID;
    // The list view owns the bar (it goes with its row); the pointer turns null then.
    QPointer<QProgressBar> pb;
    // Shared with the latest job, which stops once it is set.
    std::shared_ptr<CancelToken> cancel = std::make_shared<CancelToken>();

    // The speed of a running transfer: its measure and the text of the rate
    // cell since when. Emptied when the transfer ends.
    struct Speed {
        TransferRate rate;
        std::chrono::steady_clock::time_point shownAt{};
        std::string shown;
    };
    Speed speed;
};

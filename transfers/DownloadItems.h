#pragma once

#include <QPointer>
#include <QProgressBar>

#include "CancelToken.h"

#include <memory>
#include <string>

// The window's record of one transfer. Created and changed on the window's
// thread only; owned by the transfer map of Downloads and never copied.
class DownloadItems {
public:
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

    int id;
    std::string title;
    // The text the row was created with; later texts go to the Status cell only.
    std::string status;
    // File extension without its dot: "mp4" or "flv", empty until reported.
    std::string type;
    bool isConverted = false;
    bool isComplete = false;
    // Position of the row in the transfer list, kept equal to it as rows above go.
    int listID;
    // The list view owns the bar (it goes with its row); the pointer turns null then.
    QPointer<QProgressBar> pb;
    // Shared with the transfer's job, which stops once it is set.
    std::shared_ptr<CancelToken> cancel = std::make_shared<CancelToken>();
};

#include "StatusText.h"

#include "ConvertJob.h"
#include "JobReporter.h"

std::string statusText(TransferState state) {
    switch (state) {
    case TransferState::Queued:
        return "Queued";
    case TransferState::Paused:
        return "Paused";
    case TransferState::Interrupted:
        return "Interrupted";
    case TransferState::Cancelled:
        // A queued or paused transfer has no job left to say it.
        return JobReporter::cancelledText;
    default:
        return {};
    }
}

std::string startFailedText(TransferKind kind) {
    return kind == TransferKind::Conversion ? ConvertJob::failedText
                                            : "Error: Could not start download.";
}

#include "transfers/list/StatusText.h"

Reason statusOf(TransferState state) {
    switch (state) {
    case TransferState::Queued:
        return Reason::Queued;
    case TransferState::Paused:
        return Reason::Paused;
    case TransferState::Interrupted:
        return Reason::Interrupted;
    case TransferState::Cancelled:
        // A queued or paused transfer has no job left to say it.
        return Reason::Cancelled;
    default:
        return Reason::None;
    }
}

Reason startFailure(TransferKind kind) {
    return kind == TransferKind::Conversion ? Reason::ConversionFailed : Reason::StartFailed;
}

#pragma once

#include "base/Reason.h"
#include "transfers/list/TransferRecord.h"

// The statuses the list itself gives a record, for states no job reports
// on; every other status comes from the job's events. None for those.
Reason statusOf(TransferState state);

// Why a job that could not be started at all failed.
Reason startFailure(TransferKind kind);

#pragma once

#include "TransferRecord.h"

#include <string>

// The status texts the list itself makes, for states no job reports on;
// every other text comes from the job's events. Empty for those.
std::string statusText(TransferState state);

// A job that could not be started at all.
std::string startFailedText(TransferKind kind);

#pragma once

#include <optional>
#include <string_view>

// An ISO 8601 duration as a DASH manifest writes one ("PT1M2.5S", "P1DT2H",
// "PT0S"), in seconds; nothing when it is not one. A year counts 365 days,
// a month 30: manifests rarely say either.
std::optional<double> isoDurationSeconds(std::string_view text);

#pragma once

#include "ByteRange.h"

#include <optional>
#include <string>

// What one request of a stream asks for: an http(s) address, whole or a
// byte range of it.
struct SegmentRef {
    std::string url;
    std::optional<ByteRange> range;

    bool operator==(const SegmentRef&) const = default;
};

#pragma once

#include <array>
#include <cstdint>
#include <string>

// The AES-128 key a segment is encrypted with: where the key is, and the
// IV its bytes were encrypted under.
struct SegmentKey {
    std::string url;
    std::array<std::uint8_t, 16> iv{};

    bool operator==(const SegmentKey&) const = default;
};

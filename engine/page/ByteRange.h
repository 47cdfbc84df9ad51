#pragma once

#include <optional>
#include <string_view>

// A part of a file: length bytes from offset, as a Range header asks it.
struct ByteRange {
    long long offset = 0;
    long long length = 0;

    // One past the last byte.
    long long end() const { return offset + length; }
    bool operator==(const ByteRange&) const = default;

    // "FIRST-LAST" as DASH writes ranges ("0-99" is 100 bytes); none when
    // unreadable, reversed or absurd.
    static std::optional<ByteRange> inclusive(std::string_view text);
    // "LENGTH[@OFFSET]" as HLS writes them; offset -1 when it is left out.
    static std::optional<ByteRange> lengthAt(std::string_view text);

    // Larger ranges are no file we fetch.
    static constexpr long long maxBytes = 1LL << 50;
};

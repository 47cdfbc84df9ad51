#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// AES-128-CBC as HLS encrypts whole segments (OpenSSL's libcrypto).
class Aes128 {
public:
    using Block = std::array<std::uint8_t, 16>;

    // The IV of a segment whose key names none: its media sequence number,
    // big-endian.
    static Block sequenceIv(long long sequence);

    // cipher's clear bytes, its PKCS#7 padding checked and taken off; none
    // when key is not 16 bytes, cipher not whole blocks or the padding wrong.
    static std::optional<std::string> decrypt(std::string_view key, const Block& iv,
                                              std::string_view cipher);
};

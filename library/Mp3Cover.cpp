#include "library/Mp3Cover.h"

#include <cstdint>
#include <fstream>
#include <string_view>

namespace {

std::uint32_t syncSafe(const unsigned char* p) {
    return (std::uint32_t{p[0]} & 0x7F) << 21 | (std::uint32_t{p[1]} & 0x7F) << 14 |
           (std::uint32_t{p[2]} & 0x7F) << 7 | (std::uint32_t{p[3]} & 0x7F);
}

std::uint32_t bigEndian(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

// After a text ended by a zero (two zero bytes in UTF-16), or npos.
std::size_t afterText(std::string_view body, std::size_t at, bool wide) {
    if (!wide) {
        const std::size_t end = body.find('\0', at);
        return end == std::string_view::npos ? end : end + 1;
    }
    for (std::size_t i = at; i + 1 < body.size(); i += 2)
        if (body[i] == '\0' && body[i + 1] == '\0')
            return i + 2;
    return std::string_view::npos;
}

// An APIC frame's body: encoding, MIME type, picture kind, description, data.
Mp3Cover::Picture picture(std::string_view body) {
    if (body.size() < 4)
        return {};
    const bool wide = body[0] == 1 || body[0] == 2;
    const std::size_t typeEnd = body.find('\0', 1);
    if (typeEnd == std::string_view::npos || typeEnd + 2 > body.size())
        return {};
    std::string type(body.substr(1, typeEnd - 1));
    // Older writers give "jpg" or "png" alone.
    if (type.find('/') == std::string::npos)
        type = "image/" + std::string(type == "jpg" ? "jpeg" : type);
    const std::size_t data = afterText(body, typeEnd + 2, wide);
    if (data == std::string_view::npos || data >= body.size())
        return {};
    if (type != "image/jpeg" && type != "image/png")
        return {};
    return {std::move(type), std::string(body.substr(data))};
}

} // namespace

Mp3Cover::Picture Mp3Cover::read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    unsigned char header[10];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 'I' ||
        header[1] != 'D' || header[2] != '3')
        return {};
    const int version = header[3];
    const bool unsynchronised = header[5] & 0x80;
    const std::uint32_t size = syncSafe(header + 6);
    if ((version != 3 && version != 4) || unsynchronised || size > maxTagBytes)
        return {};
    std::string tag(size, '\0');
    if (!file.read(tag.data(), static_cast<std::streamsize>(size)))
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(tag.data());
    std::size_t at = 0;
    if (header[5] & 0x40) {
        if (size < 4)
            return {};
        // 2.3 counts the size field apart; 2.4 within.
        at = version == 4 ? syncSafe(bytes) : bigEndian(bytes) + 4;
    }
    while (at + 10 <= tag.size()) {
        const std::string_view id(tag.data() + at, 4);
        if (id[0] == '\0')
            break; // padding
        const std::uint32_t frameSize =
            version == 4 ? syncSafe(bytes + at + 4) : bigEndian(bytes + at + 4);
        const unsigned char flags = bytes[at + 9];
        at += 10;
        if (frameSize > tag.size() - at)
            break;
        // Compressed, encrypted or unsynchronised frames are not ours to read.
        const bool plain = version == 4 ? (flags & 0x0F) == 0 : (flags & 0xC0) == 0;
        if (id == "APIC" && plain) {
            Picture found = picture(std::string_view(tag).substr(at, frameSize));
            if (!found.type.empty())
                return found;
        }
        at += frameSize;
    }
    return {};
}

// The status channel's texts: StatusChannel::decode on any text, and the
// encode/decode round trip every worker report takes through the queue.
#include "FuzzCheck.h"
#include "StatusChannel.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// What a worker can send: a C string ends at its first NUL.
std::string asCString(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

void checkRoundTrip(int id, const std::string& status) {
    const std::string queued = StatusChannel::encode(id, status.c_str());
    FUZZ_CHECK(queued == std::to_string(id) + "|" + status);
    const auto back = StatusChannel::decode(queued);
    FUZZ_CHECK(back.id == id);
    FUZZ_CHECK(back.status == status);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any queued text: the status is everything after the first "|" (bytes
    // and NULs kept), nothing when there is no "|".
    const auto decoded = StatusChannel::decode(text);
    const auto bar = text.find('|');
    FUZZ_CHECK(decoded.status == (bar == std::string::npos ? "" : text.substr(bar + 1)));
    // A text that is already canonical ("<id as written>|<status>") is
    // rebuilt byte for byte.
    if (bar != std::string::npos && text.substr(0, bar) == std::to_string(decoded.id) &&
        decoded.status.find('\0') == std::string::npos)
        FUZZ_CHECK(StatusChannel::encode(decoded.id, decoded.status.c_str()) == text);

    // Whatever was decoded goes back through the channel unchanged.
    checkRoundTrip(decoded.id, asCString(decoded.status));

    // The first four bytes as any id (negative and extreme ones included),
    // the rest as the status a worker sends; through the real queue.
    if (size >= sizeof(std::int32_t)) {
        std::int32_t id;
        std::memcpy(&id, data, sizeof id);
        const std::string status = asCString(text.substr(sizeof id));
        checkRoundTrip(id, status);

        StatusChannel::cb(id, status.c_str());
        const auto front = StatusChannel::updates.front();
        FUZZ_CHECK(front.has_value());
        const auto report = StatusChannel::decode(*front);
        FUZZ_CHECK(report.id == id && report.status == status);
        StatusChannel::updates.pop();
        FUZZ_CHECK(StatusChannel::updates.empty());
    }
    // No status at all reads as an empty one.
    FUZZ_CHECK(StatusChannel::encode(decoded.id, nullptr) == std::to_string(decoded.id) + "|");
    return 0;
}

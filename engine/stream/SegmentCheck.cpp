#include "stream/SegmentCheck.h"

#include "page/MovieSignature.h"

#include <algorithm>
#include <cstdint>

namespace {

using Verdict = SegmentCheck::Verdict;

std::uint8_t byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t n) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i)
        value = value << 8 | byteAt(bytes, at + i);
    return value;
}

bool mpegTs(std::string_view bytes, bool whole) {
    if (!whole)
        return !bytes.empty() && byteAt(bytes, 0) == 0x47;
    // Whole packets only: a segment cut short anywhere else shows here.
    if (bytes.empty() || bytes.size() % SegmentCheck::tsPacket != 0)
        return false;
    for (std::size_t at = 0; at < bytes.size(); at += SegmentCheck::tsPacket)
        if (byteAt(bytes, at) != 0x47)
            return false;
    return true;
}

bool packedAudio(std::string_view bytes) {
    if (bytes.size() < 4)
        return false;
    if (bytes.starts_with("ID3"))
        return true;
    const std::uint8_t a = byteAt(bytes, 0), b = byteAt(bytes, 1);
    return (a == 0xFF && (b & 0xE0) == 0xE0) || (a == 0x0B && b == 0x77);
}

bool boxType(std::string_view bytes, std::size_t at) {
    for (std::size_t i = at; i < at + 4; ++i) {
        const std::uint8_t c = byteAt(bytes, i);
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == ' ' || c == '-' || c == '_'))
            return false;
    }
    return true;
}

// Its top-level boxes end where the bytes do, the first a box a segment
// or an init section starts with.
bool mp4(std::string_view bytes, bool whole) {
    static constexpr std::string_view firsts[] = {"ftyp", "styp", "moof", "sidx", "emsg",
                                                  "prft", "moov", "free", "skip", "mdat"};
    if (bytes.size() < 8 ||
        std::find(std::begin(firsts), std::end(firsts), bytes.substr(4, 4)) == std::end(firsts))
        return false;
    if (!whole)
        return true;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 8 || !boxType(bytes, at + 4))
            return false;
        std::uint64_t size = bigEndian(bytes, at, 4);
        if (size == 0)
            return true; // to the end
        if (size == 1) {
            if (bytes.size() - at < 16)
                return false;
            size = bigEndian(bytes, at + 8, 8);
        }
        if (size < 8 || size > bytes.size() - at)
            return false;
        at += static_cast<std::size_t>(size);
    }
    return true;
}

// An EBML header, a Segment, a Cluster or Cues.
bool webm(std::string_view bytes) {
    if (bytes.size() < 4)
        return false;
    const auto id = static_cast<std::uint32_t>(bigEndian(bytes, 0, 4));
    return id == 0x1A45DFA3 || id == 0x18538067 || id == 0x1F43B675 || id == 0x1C53BB6B;
}

} // namespace

Verdict SegmentCheck::answer(const Answer& answer, const std::optional<ByteRange>& asked) {
    if (answer.status != (asked ? 206 : 200))
        return Verdict::Status;
    MovieSignature signature;
    signature.feed(answer.body.data(), std::min(answer.body.size(), MovieSignature::headBytes));
    if (!answer.body.empty() && (signature.looksLikeMarkup() || signature.looksLikeText()))
        return Verdict::Page;
    const auto size = static_cast<long long>(answer.body.size());
    if (answer.body.empty() || (answer.announced >= 0 && size != answer.announced) ||
        (asked && size != asked->length))
        return Verdict::Length;
    return Verdict::Ok;
}

Verdict SegmentCheck::content(std::string_view clear, StreamContainer container, bool whole) {
    bool plausible = false;
    switch (container) {
    case StreamContainer::MpegTs:
        plausible = mpegTs(clear, whole);
        break;
    case StreamContainer::PackedAudio:
        plausible = packedAudio(clear);
        break;
    case StreamContainer::Mp4:
        plausible = mp4(clear, whole);
        break;
    case StreamContainer::WebM:
        plausible = webm(clear);
        break;
    }
    return plausible ? Verdict::Ok : Verdict::Container;
}

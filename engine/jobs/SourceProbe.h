#pragma once

#include "page/PageSource.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class CancelToken;
struct FetchBounds;

// Whether an address a page's script asked for is worth offering: a whole
// media file, or an HLS playlist or DASH manifest; never an image, a
// script, a style sheet, an init segment or one numbered part of a stream.
// Asks for it and reads only its headers and first bytes (a manifest
// whole, within a small bound).
class SourceProbe {
public:
    // Blocking; runs on a worker thread. bounds: what the request sends
    // (cookies, Referer, user agent) and how long it may stall. bytes, when
    // given, takes the size a media answer named (0 when it named none),
    // whatever the verdict.
    static std::optional<PageSource> check(const std::string& url, const FetchBounds& bounds,
                                           const CancelToken* cancel = nullptr,
                                           long long* bytes = nullptr);

    // A whole file, from its answer: a media type or signature, no part of
    // a stream, and (when it says) at least minWholeBytes.
    static bool wholeMedia(std::string_view type, std::string_view first, long long size,
                           std::string_view address);

    // Smaller media is an init segment or a part, not a video.
    static constexpr long long minWholeBytes = 256 * 1024;
    // A manifest larger than this is not read for an offer.
    static constexpr std::size_t maxManifestBytes = std::size_t{4} << 20;
    static constexpr long deadlineSeconds = 20;
};

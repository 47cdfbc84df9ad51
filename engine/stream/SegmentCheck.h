#pragma once

#include "page/ByteRange.h"
#include "stream/StreamContainer.h"

#include <optional>
#include <string_view>

// Whether a segment's answer counts, before anything of it is kept: the
// status asked for, not a web page or a text, exactly the bytes its length
// says; and, once clear, whether its bytes start the track's container.
class SegmentCheck {
public:
    enum class Verdict {
        Ok,
        Status,    // not 206 for a range, not 200 for a whole file
        Page,      // markup or text: an error or login page
        Length,    // not the bytes the range or Content-Length says
        Container, // clear bytes that are not the track's container
    };

    struct Answer {
        int status = 0;
        // Its Content-Length; -1 when it had none.
        long long announced = -1;
        std::string_view body;
    };

    // The answer as it came (still encrypted, if it is) to a request for
    // asked (none: the whole file).
    static Verdict answer(const Answer& answer, const std::optional<ByteRange>& asked);

    // The clear bytes of a segment or an init section; not whole: the
    // first piece of one, whose bytes only start the container.
    static Verdict content(std::string_view clear, StreamContainer container, bool whole = true);

    static constexpr std::size_t tsPacket = 188;
};

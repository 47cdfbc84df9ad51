#pragma once

#ifndef QUILLMOTH_ROOM_engine_http
#error "http/detail/ is the http room's own: include its public headers"
#endif

#include "http/BodyReceiver.h"
#include "http/HttpRequest.h"
#include "http/SpeedLimit.h"
#include "http/detail/MovieWriteContext.h"
#include "http/detail/RangeRequest.h"

#include <optional>

// A page fetch whose answer may be taken over as a body once it shows it is
// media: the taker, the receiver it gave (none until then), the answer's
// headers read as a body's are, and what the body's callbacks share. It
// stands in as the body's receiver and hands everything on. Private to the
// http room; used on the transfer's thread only.
struct MediaHandover : BodyReceiver {
    explicit MediaHandover(const HttpRequest::MediaTaker& taker) : taker(taker) {}

    bool begins(const HttpResponse& head, const char* first, std::size_t n) override {
        return to->begins(head, first, n);
    }
    std::size_t take(const char* data, std::size_t n) override { return to->take(data, n); }
    void progress(std::int64_t total, std::int64_t now) override { to->progress(total, now); }
    bool stopping() const override { return to->stopping(); }

    const HttpRequest::MediaTaker& taker;
    BodyReceiver* to = nullptr;
    // Unranged: only its header callback, for the validator and ranges.
    RangeRequest range;
    MovieWriteContext transfer{*this, range, {}};
    // Counted in the speed limit's share from the takeover on.
    std::optional<SpeedLimit::Registration> registered;
};

#pragma once

#ifndef QUILLMOTH_ROOM_engine_http
#error "http/detail/ is the http room's own: include its public headers"
#endif

#include "base/Deadline.h"

#include <curl/curl.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class CancelToken;
struct MediaHandover;

// What the page fetch's write and progress callbacks share: the page
// received so far, its bound, and whether the writer refused it for
// outgrowing that (libcurl reports only a write error, which could have
// other causes); the token that stops the fetch and the time it may take,
// and whether the progress callback ended it for that.
struct PageBuffer {
    std::string& text;
    std::size_t limit;
    bool tooLarge = false;
    // Null: nothing stops the fetch but its bounds.
    const CancelToken* cancel = nullptr;
    // The whole fetch, connecting and redirects included, ends by then
    // (HttpFetch::pageProgress looks). A body found to be a movie rather
    // than a page lifts it (deadline.lift()), here or in the writer.
    Deadline deadline{};
    bool deadlinePassed = false;
    // Whether an answer is media rather than a page, from its Content-Type
    // and first bytes (null: every answer is a page); the writer asks once,
    // at the body's first bytes, and ends the fetch when it is.
    const std::function<bool(std::string_view type, std::string_view first)>* isMedia = nullptr;
    CURL* curl = nullptr;
    bool looked = false;
    bool media = false;
    // Takes over media as a body (null: the fetch ends at it); once it has
    // a receiver, the callbacks are the body's.
    MediaHandover* handover = nullptr;
};

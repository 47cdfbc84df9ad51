#pragma once

#include "http/FetchBounds.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class CancelToken;

// What one fetch asks for: the address, the bounds it is fetched within and
// what a browser would send with it (FetchBounds: cookies, Referer, user
// agent, the speed limit it shares), and for a body the range of the file.
// Made by page() or body() and adjusted field by field.
struct HttpRequest {
    // Whether an answer is media, from its Content-Type and first bytes.
    using MediaTest = std::function<bool(std::string_view type, std::string_view first)>;

    // A page (a picture, a manifest) into memory: at most bounds.maxPageBytes,
    // within bounds.pageDeadlineSeconds.
    static HttpRequest page(std::string url, const FetchBounds& bounds);
    // A body handed to a receiver (a movie, a piece of one): no size bound
    // or deadline, but the speed limit and the low-speed floor.
    static HttpRequest body(std::string url, const FetchBounds& bounds);

    // The rest of a file from offset on (continuing it), only while the
    // stream still has validator (If-Range); total: its size then, 0 when
    // unknown. Unranged unless offset is past 0 (within total) and validator
    // is one line.
    HttpRequest& from(long long offset, std::string tag, long long size);
    // A piece of a file: bytes [first, end) of a stream of size bytes, only
    // while it still has tag. Unranged when the piece is not within size.
    HttpRequest& piece(long long first, long long end, std::string tag, long long size);
    // The first bytes of a file not seen yet, [0, bytes): what its answer
    // says of it (its size, validator, ranges) before the rest is asked for.
    HttpRequest& head(long long bytes);
    // Bytes [first, end) of a file named by its own address (a stream's
    // segment): no validator to keep, the answer must be exactly them.
    HttpRequest& segment(long long first, long long end);
    // Whether a range goes with it.
    bool ranged() const;

    std::string url;
    FetchBounds bounds;
    // A page: how many bytes it may bring and how long it may take
    // (seconds; 0: no deadline, connecting and redirects count).
    std::size_t maxBytes = 0;
    long deadlineSeconds = 0;
    // A page fetch that meets media (isMedia says so at its first bytes)
    // ends there with HttpResponse::media, unread; null: every answer is a page.
    MediaTest isMedia;
    // Stops a page fetch when set; null: only its bounds do.
    const CancelToken* cancel = nullptr;

    // A body's range: [rangeFrom, rangeTo) (rangeTo 0: the rest), kept only
    // while the file has validator; total the size it was when known.
    long long rangeFrom = 0;
    long long rangeTo = 0;
    std::string validator;
    long long total = 0;
    bool headOnly = false;
    bool segmentOnly = false;
    bool isBody = false;
};

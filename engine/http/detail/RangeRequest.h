#pragma once

#ifndef QUILLMOTH_ROOM_engine_http
#error "http/detail/ is the http room's own: include its public headers"
#endif

#include "http/HttpResponse.h"

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

struct HttpRequest;

// A body request's range, and what the answer's headers say about it.
// Private to the http room.
// Unranged by default. A ranged request asks for the bytes from offset on,
// only while the stream still has validator (If-Range), in the identity
// encoding, so that offsets are offsets of the file.
class RangeRequest {
public:
    RangeRequest() = default;
    // total: the stream's full size when the part began; 0 when unknown.
    // Unranged unless offset is past 0 (and within total), and validator is
    // one line.
    RangeRequest(long long offset, std::string validator, long long total);
    // A piece of a file fetched over several connections: the bytes [from,
    // to) of a stream of total bytes (from may be 0), only while it still has
    // validator. Unranged when the piece is not within total or validator is
    // not one line.
    static RangeRequest piece(long long from, long long to, std::string validator, long long total);
    // The first bytes of a file not seen yet: [0, bytes), with no
    // validator to keep (the answer names the version).
    static RangeRequest head(long long bytes);
    // Bytes [from, to) of a stream's segment: no validator, no total; the
    // answer must be exactly that range.
    static RangeRequest segment(long long from, long long to);
    // The range request asks for.
    static RangeRequest of(const HttpRequest& request);

    // Sets the request's options on curl; release() takes every pointer
    // into this object out of it again.
    void apply(CURL* curl);
    void release(CURL* curl);

    // What the body of the answer received means for the part file.
    using Answer = HttpResponse::Fit;
    Answer answer() const;
    // status (the transfer's last) says the range starts at the stream's end.
    bool complete(long status) const;

    bool ranged() const { return offset_ > 0 || end_ > 0; }
    long long offset() const { return offset_; }
    // Where the answer's body starts in the file: offset unless it is a
    // whole stream.
    long long bodyOffset() const;
    // Of the answer: its strong ETag, else its Last-Modified (If-Range takes
    // no weak tag); empty when the body came encoded (its bytes are not the
    // file's, so no range of them can follow).
    std::string validator() const;
    // Of the answer: the stream's full size; 0 when unknown.
    long long total() const;
    // The size the file must have once the answer's body is whole (for a
    // range starting at the stream's end, the size on disk): the total the
    // first answer named, else this answer's; 0 when neither named one.
    long long expectedSize() const;
    // Of the answer: its status, and whether it takes ranges
    // ("Accept-Ranges: bytes").
    long status() const { return status_; }
    // A range answered as asked says so too (nginx names it only in a 200).
    bool acceptsRanges() const { return acceptsRanges_ || (status_ == 206 && rangeTotal_ > 0); }

    // libcurl's header callback (the transfer's thread); self is the request.
    static std::size_t headerLine(char* data, std::size_t size, std::size_t n, void* self);

private:
    bool identity() const { return encoding_.empty() || encoding_ == "identity"; }
    // The answer names the version If-Range asked for: a server that
    // ignores If-Range sends the range of whatever it has now.
    bool sameVersion() const;

    struct ListFree {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };

    long long offset_ = 0;
    std::string asked_;
    long long knownTotal_ = 0;
    // A piece's end, past its last byte; 0: the rest of the file.
    long long end_ = 0;
    bool head_ = false;
    bool segment_ = false;
    std::unique_ptr<curl_slist, ListFree> headers_;

    // The latest answer's status line and headers (a redirect's are replaced).
    long status_ = 0;
    std::string etag_;
    std::string lastModified_;
    std::string encoding_;
    bool acceptsRanges_ = false;
    long long length_ = -1;
    long long rangeFirst_ = -1;
    long long rangeLast_ = -1;
    long long rangeTotal_ = -1;
};

#pragma once

#include <cstddef>
#include <cstdint>

struct HttpResponse;

// Where a body fetch hands what it receives: the answer once its headers are
// known, the body's bytes as they arrive, how far the whole file has come,
// and whether to stop. The fetch knows nothing of files or jobs; the job's
// movie step is one of these. Called on the fetch's thread only.
class BodyReceiver {
public:
    virtual ~BodyReceiver() = default;

    // The answer's body begins: head holds its status and headers, first
    // its first n bytes (take() gets them next). False ends the transfer
    // (HttpResponse::Failure::Refused) before a byte is taken.
    virtual bool begins(const HttpResponse& head, const char* first, std::size_t n) = 0;
    // n bytes of the answer's body, in order. Returns how many it took:
    // fewer than n ends the transfer.
    virtual std::size_t take(const char* data, std::size_t n) = 0;
    // The file's size (0: unknown) and how much of it is there now, bytes
    // on disk before this answer included. Called often: pace it.
    virtual void progress(std::int64_t total, std::int64_t now) = 0;
    // Asked to stop (cancel or pause): the transfer ends.
    virtual bool stopping() const = 0;
};

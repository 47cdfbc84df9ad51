#pragma once

#include <cstddef>
#include <cstdint>

// Where a movie fetch hands what it receives: the body's bytes as they
// arrive, how far the whole file has come, and whether to stop. The fetch
// knows nothing of files or jobs; the job's movie step is one of these.
// Called on the transfer's thread only.
class BodyReceiver {
public:
    virtual ~BodyReceiver() = default;

    // n bytes of the answer's body, in order; the first call brings its
    // first bytes, once the answer's headers are known. Returns how many
    // it took: fewer than n ends the transfer.
    virtual std::size_t take(const char* data, std::size_t n) = 0;
    // The file's size (0: unknown) and how much of it is there now, bytes
    // on disk before this answer included. Called often: pace it.
    virtual void progress(std::int64_t total, std::int64_t now) = 0;
    // Asked to stop (cancel or pause): the transfer ends.
    virtual bool stopping() const = 0;
};

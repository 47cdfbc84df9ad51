#pragma once

#include <cstddef>
#include <cstdint>

class ByteRanges;

// Where a file fetched over several connections goes: pieces written at
// their own offsets, the bytes on disk recorded to continue later, and
// whether to stop. The fetch knows no files or jobs; the job's movie step is
// one of these. Called on the job's worker thread only.
class PieceReceiver {
public:
    virtual ~PieceReceiver() = default;

    // n bytes of the file at offset; false when they could not be written,
    // which ends the fetch.
    virtual bool write(long long offset, const char* data, std::size_t n) = 0;
    // done is what the file holds now: made sure to be on disk, then
    // recorded, so that a later job continues from it.
    virtual void record(const ByteRanges& done) = 0;
    // The file's size and how much of it is there now, all connections
    // together. Called often: pace it.
    virtual void progress(std::int64_t total, std::int64_t now) = 0;
    // Asked to stop (cancel or pause): the fetch ends.
    virtual bool stopping() const = 0;
};

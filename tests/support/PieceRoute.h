#pragma once

#include "support/FixtureServer.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

// A file served in pieces, as servers that take ranges do: its ETag,
// "Accept-Ranges: bytes", and "Range: bytes=A-B" (or "A-") answered with a
// 206 of exactly those bytes, or the whole file (200) when If-Range names
// another tag. Each kind of server a fetch over several connections meets
// is one setting.
struct PieceRoute {
    std::string bytes;
    std::string etag = "\"piece-1\"";
    // Each answer's pace in bytes a second, as a server that slows down
    // each connection; 0: at once.
    std::size_t perAnswer = 0;
    // The answer to a range from slowAt on goes at slowPace bytes a second,
    // as one slow connection does.
    std::size_t slowAt = std::string::npos;
    std::size_t slowPace = 0;
    // A range is answered with the whole file (200), as by a server that
    // says it takes ranges and does not.
    bool ignoresRanges = false;
    // More answers than this at once are refused with 503; 0: no bound.
    int atOnce = 0;
    // From this request on (1: the first), the file is `changed` under
    // changedTag, and its ranges are answered whatever If-Range says.
    int changesAt = 0;
    std::string changed;
    std::string changedTag = "\"piece-2\"";
};

// What a PieceRoute's server saw, counted on its threads.
struct PieceCounts {
    std::atomic<int> requests{0};
    std::atomic<int> ranged{0};
    // Ranges from the file's first byte: its start asked for again.
    std::atomic<int> rangedFromStart{0};
    std::atomic<int> refused{0};
    // Body bytes sent (or being sent), all answers together.
    std::atomic<long long> sent{0};
    std::atomic<int> running{0};
    // Where the first request's range began (0 when it asked for none).
    std::atomic<long long> firstFrom{-1};
    // Answers of the whole file (200) whose every byte was sent.
    std::atomic<int> wholeStreams{0};
};

// Serves route at path on srv, until srv goes or the path is routed anew.
std::shared_ptr<PieceCounts> servePieces(FixtureServer& srv, const std::string& path,
                                         PieceRoute route);

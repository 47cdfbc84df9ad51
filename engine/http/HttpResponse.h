#pragma once

#include <string>
#include <vector>

// What one fetch came to: the answer's status and headers as far as they
// matter (type, final address, validator, size, ranges), how its body fits
// the range asked for, and the failure, if any, with libcurl's words for it
// as a detail (never shown as they are: the caller says what happened).
struct HttpResponse {
    enum class Failure {
        None,
        NoHandle,       // the library could not make a handle: nothing was asked
        Cancelled,      // stopped on request (a page's token, a body's receiver)
        TooLarge,       // a page over its bound, announced or not
        DeadlinePassed, // a page still coming when its deadline passed
        Stalled,        // nothing arrived for stallSeconds, or a body below the low-speed floor
        ErrorStatus,    // a body answered with an HTTP error status (status says which)
        Refused,        // the receiver took fewer bytes than it was handed
        Connection,     // no answer: a name, a connection, a redirect loop, a reset
    };
    // What the answer's body is to the file asked for.
    enum class Fit {
        Fresh,     // the whole stream, asked for as such
        StartOver, // the whole stream instead of the range: it changed, or ranges are ignored
        Append,    // exactly the rest (or the piece) of the file asked for
        Head,      // the first bytes of a file asked for as such, not all of it
        Changed,   // the rest of another version of the file: never appended
        Refused,   // anything else: never written
    };

    bool ok() const { return failure == Failure::None; }

    Failure failure = Failure::None;
    std::string detail;
    // The last answer's status (0: none came) and Content-Type (empty: none).
    long status = 0;
    std::string type;
    // Where the answer came from, after any redirect; the address asked
    // for when nothing came.
    std::string address;
    // A page fetch that met media ended at its first bytes, unread.
    bool media = false;
    // This answer's Content-Length; -1 when it named none.
    long long length = -1;

    // A body's answer: its strong ETag, else its Last-Modified (empty when
    // encoded: no range of it can follow); the stream's full size (0:
    // unknown); whether it takes ranges ("Accept-Ranges: bytes").
    std::string validator;
    long long total = 0;
    bool acceptsRanges = false;
    // Whether a range was asked for, and how the answer fits it.
    bool ranged = false;
    Fit fit = Fit::Fresh;
    // The size the file must have once the body is whole: the total the
    // first answer named, else this one's; 0 when neither named one.
    long long expectedSize = 0;
    // The range asked for starts at the stream's end (a 416 of the same
    // size): the file on disk is whole.
    bool rangeAtEnd = false;

    // The cookies the fetch holds after the answer (the request's and what
    // answers set), in the Netscape line form, for the next request.
    std::vector<std::string> cookies;
};

#pragma once

#include <optional>
#include <string>

// What quillmoth-get keeps beside a part file it may continue, in
// "<part>.resume": the stream's validator and total size when the part
// began, and for a part file several connections write, the bytes it holds.
// One connection's note is two lines, validator and total. Several
// connections' note begins with a line of its own ("quillmoth-resume 2"),
// and its second line is no number, so that a reader of two-line notes
// never takes it for one of its own (and continues a file of pieces from its
// size): "ranges <ByteRanges' text>", "validator <...>", "total <bytes>".
// A later run with --continue reads either back.
struct ResumeNote {
    std::string validator;
    long long total = 0;
    // Empty: the part file holds the stream's first bytes, up to its size.
    std::string ranges;

    static std::string pathOf(const std::string& part) { return part + ".resume"; }
    // The note beside part; nothing when there is none or it is not one.
    static std::optional<ResumeNote> read(const std::string& part);
    // Replaces the note beside part atomically (a file of its own, renamed
    // over it), so that a run killed meanwhile leaves the old note or the new.
    bool write(const std::string& part) const;
    static void remove(const std::string& part);

    static constexpr const char* piecesHeading = "quillmoth-resume 2";
};

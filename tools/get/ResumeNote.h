#pragma once

#include "ResumeState.h"

#include <optional>
#include <string>

// What quillmoth-get keeps beside a part file it may continue, in
// "<part>.resume": the part's resume state. A part one connection wrote
// from its start is noted in two lines, validator and total. Anything more
// (the bytes several connections wrote, a stream's segments) begins with a
// line of its own ("quillmoth-resume 2"), whose next line is no number, so
// that a reader of two-line notes never takes it for one of its own; then a
// line a field: "ranges <ByteRanges' text>", "validator <...>",
// "total <bytes>", and for segments "manifest <...>" and "segments <...>"
// (ResumeState::Segments' text). A later run with --continue reads either.
class ResumeNote {
public:
    static std::string pathOf(const std::string& part) { return part + ".resume"; }
    // The state the note beside part tells (its part file: part); nothing
    // when there is none or it is not one.
    static std::optional<ResumeState> read(const std::string& part);
    // Replaces the note beside part atomically (a file of its own, renamed
    // over it), so that a run killed meanwhile leaves the old note or the new.
    static bool write(const std::string& part, const ResumeState& state);
    static void remove(const std::string& part);

    static constexpr const char* fieldsHeading = "quillmoth-resume 2";
};

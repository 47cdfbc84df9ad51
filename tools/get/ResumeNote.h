#pragma once

#include <optional>
#include <string>

// What quillmoth-get keeps beside a part file it may continue: the stream's
// validator and total size when the part began, two lines in
// "<part>.resume". A later run with --continue reads them back.
struct ResumeNote {
    std::string validator;
    long long total = 0;

    static std::string pathOf(const std::string& part) { return part + ".resume"; }
    // The note beside part; nothing when there is none or it is not one.
    static std::optional<ResumeNote> read(const std::string& part);
    // Replaces the note beside part atomically (a file of its own, renamed
    // over it), so that a run killed meanwhile leaves the old note or the new.
    bool write(const std::string& part) const;
    static void remove(const std::string& part);
};

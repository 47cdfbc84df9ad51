#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a transfer needs to continue its part file, as one value: handed to
// the job that continues it, reported back by the job as the file grows,
// kept by the transfer's record and by quillmoth-get's note beside the part.
// A value may name only the members it sets ({.partFile = path}).
struct ResumeState {
    // A stream fetched segment by segment (HLS, DASH): which segments of
    // each track are on disk, counted in one manifest.
    struct Segments {
        // Tells the manifest the indices count in: another one starts over.
        std::string manifest{};
        // Per track, in the manifest's order: the indices on disk as
        // "FIRST-LAST" spans joined by "," ("0-41,43-43"), "" for none; a
        // track written in order says where its part file's bytes end
        // ("0-41@5242880", written by prefix()).
        std::vector<std::string> tracks{};

        // A track whose first count segments fill the first bytes of its part file.
        struct Prefix {
            std::size_t count = 0;
            long long bytes = 0;
            bool operator==(const Prefix&) const = default;
        };
        static std::string prefix(const Prefix& done);
        // What prefix() wrote; "" is no segment in no bytes; none for anything else.
        static std::optional<Prefix> prefixOf(std::string_view track);

        bool empty() const { return manifest.empty() && tracks.empty(); }
        // The tracks joined by ";" ("0-41;0-12"), as the store and the note keep them.
        std::string text() const;
        // What text() wrote, beside its manifest; nothing for any other text.
        static std::optional<Segments> parse(std::string manifest, std::string_view text);
        bool operator==(const Segments&) const = default;
    };

    // The part file: a stable name per transfer (StagedFile::stablePath), so
    // that it can be found again; empty for a unique temporary name.
    std::string partFile{};
    // The stream's validator (ETag or Last-Modified) and total size when the
    // part began. Empty and 0: its bytes start over.
    std::string validator{};
    long long total = 0;
    // The bytes on disk when several connections write it (ByteRanges'
    // text); empty when one did, which continues from its size.
    std::string ranges{};
    Segments segments{};

    // A stream's track index is kept in the part file itself for the
    // first track, in one beside it for the others ("Title.part",
    // "Title.t1.part").
    std::string trackFile(std::size_t index) const;
    // The part file and every track's beside it, for removing them all.
    std::vector<std::string> files() const;
    static constexpr std::size_t maxTracks = 2;

    bool operator==(const ResumeState&) const = default;
};

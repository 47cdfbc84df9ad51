#pragma once

#include "JobOptions.h"
#include "JobReporter.h"

#include <curl/curl.h>

#include <cstddef>
#include <optional>
#include <string>

class ByteRanges;
class MovieSignature;
class StagedFile;
struct MovieBody;

// The movie step of a download job: the chosen stream saved as
// folder/title.ext. The movie goes into options.resume.partFile when given
// (kept when the job fails or pauses, to continue it), else into a temporary file
// removed on any stop; it gets its name only once whole and a movie, the
// next "(1)" name when that is taken. A large file whose server takes ranges
// is fetched over options.connections connections (SegmentedFetch), in
// pieces recorded as they reach the disk; a part file written so is
// continued from its record only, never from its size.
class MovieDownload {
public:
    // title: the file title, safe already; extension: the quality rule's,
    // with its dot, until the movie's first bytes say otherwise.
    MovieDownload(const JobOptions& options, const JobReporter& reporter, std::string title,
                  std::string extension);

    // Saves the body at url; false when it failed or stopped, its last event
    // sent. Runs on the job's worker thread.
    bool save(const std::string& url);

    // The title and extension the movie was saved (or is to be saved)
    // under: the title may have taken a "(1)".
    const std::string& title() const { return title_; }
    const std::string& extension() const { return extension_; }
    // Folder, title and extension.
    std::string path() const;

    // The answer's body begins (from the write callback, or after an empty
    // body): decides from the answer whether the part file is continued or
    // started over, and what its first bytes are. False when the answer is
    // not the file asked for, or is to be fetched in pieces instead. first
    // and n: the body's first bytes as they arrived (none for an empty body).
    bool bodyStarts(MovieBody& transfer, const char* first, std::size_t n);
    // The movie's first bytes showed container ("flv", "mp4" or empty for
    // neither): the file is saved and announced under that type.
    void containerSeen(const std::string& container);
    // Tells the caller what to store to continue the part file later:
    // ranges when several connections write it.
    void sendResumable(const StagedFile& file, std::string validator, long long total,
                       std::string ranges = {}) const;

    const JobReporter& reporter() const { return reporter_; }

    // Files smaller than this are fetched over one connection.
    static constexpr long long minPiecesTotal = 4LL << 20;

private:
    // The file as one stream, continued from held bytes when validator and
    // total allow it.
    bool oneStream(CURL* curl, StagedFile& file, const std::string& url, long long held,
                   const std::string& validator, long long total);
    // The file in pieces over several connections, done on disk already.
    bool inPieces(CURL* curl, StagedFile& file, const std::string& url,
                  const std::string& validator, long long total, const ByteRanges& done);
    // What the transfer's answer leaves: the movie under its name, or the
    // failure sent and the part file kept or removed. held: the bytes the
    // part file had before.
    bool finish(CURL* curl, StagedFile& file, MovieBody& transfer, CURLcode result, long long held);
    // The end of every save: a movie is committed under its name (false when
    // that fails); anything else is a failure, its part file kept when it
    // may be continued.
    bool settle(StagedFile& file, bool movie, bool continuable);
    // Stopped on request: the part file kept for a pause, else removed.
    bool stop(StagedFile& file);
    // Why an answer may be fetched in pieces: its validator and total.
    struct Pieces {
        std::string validator;
        long long total = 0;
    };
    std::optional<Pieces> piecesFor(const MovieBody& transfer, const char* first,
                                    std::size_t n) const;

    const JobOptions& options_;
    const JobReporter& reporter_;
    std::string title_;
    std::string extension_;
    // The answer was a range of another version of the file.
    bool changed_ = false;
    // The answer is to be fetched in pieces; and whether it still may be
    // (not after pieces started over on one connection).
    std::optional<Pieces> pieces_;
    bool piecesAllowed_ = true;
};

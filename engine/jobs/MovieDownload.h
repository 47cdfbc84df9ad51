#pragma once

#include "http/HttpResponse.h"
#include "jobs/JobOptions.h"
#include "jobs/JobReporter.h"
#include "jobs/MovieFile.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class BodyReceiver;
class ByteRanges;
class HttpClient;
class StagedFile;
struct MovieBody;

// The movie step of a download job: the chosen stream saved as
// folder/title.ext (MovieFile). The movie goes into options.resume.partFile when
// given (kept when the job fails or pauses, to continue it), else into a
// temporary file removed on any stop. A large file whose server takes ranges
// is fetched over options.connections connections (FileInPieces), in pieces
// recorded as they reach the disk, after its first bytes asked for alone
// (headBytes); a part file written so is continued from its record only,
// never from its size.
class MovieDownload {
public:
    // title: the file title, safe already; extension: the quality rule's,
    // with its dot, until the movie's first bytes say otherwise.
    MovieDownload(const JobOptions& options, const JobReporter& reporter, std::string title,
                  std::string extension);

    // Saves the body at url; false when it failed or stopped, its last event
    // sent. Runs on the job's worker thread.
    bool save(const std::string& url);
    // An answer a page fetch met as media is taken over as it begins: the
    // receiver its body goes on into, the movie's file opened. Null when
    // this movie continues a part file (it asks for the rest instead), or
    // its file cannot be opened (the failure sent: failed() says so).
    BodyReceiver* takeOver();
    bool failed() const { return failed_; }
    bool holdsAnswer() const { return takenOver_ != nullptr; }
    // What the taken-over answer came to: the movie saved (its first bytes
    // the first piece when it comes in pieces), or the failure sent; as
    // save().
    bool finishTakenOver(const HttpResponse& answer);

    const std::string& title() const { return movie_.title(); }
    const std::string& extension() const { return movie_.extension(); }
    std::string path() const { return movie_.path(); }

    // The answer's body begins (from the fetch, or after an empty body):
    // decides from the answer whether the part file is continued or started
    // over, and what its first bytes are. False when the answer is not the
    // file asked for, or is to be fetched in pieces instead. first and n:
    // the body's first bytes as they arrived (none for an empty body).
    bool bodyStarts(MovieBody& transfer, const HttpResponse& answer, const char* first,
                    std::size_t n);
    // Tells the caller what to store to continue the part file later:
    // ranges when several connections write it.
    void sendResumable(const StagedFile& file, std::string validator, long long total,
                       std::string ranges = {}) const;

    const JobReporter& reporter() const { return reporter_; }
    MovieFile& movie() { return movie_; }

    // Files smaller than this are fetched over one connection.
    static constexpr long long minPiecesTotal = 4LL << 20;
    // What a new file that may come in pieces is asked for first, alone.
    static constexpr long long headBytes = 64 * 1024;

private:
    // The file as one stream, continued from held bytes when validator and
    // total allow it.
    bool oneStream(HttpClient& client, const std::string& url, long long held,
                   const std::string& validator, long long total);
    // The file in pieces over several connections, done on disk already.
    // cookies: what the last answer held.
    // recorded: done is in the record already (else it is not synced yet).
    bool inPieces(HttpClient& client, const std::string& url, const std::string& validator,
                  long long total, const ByteRanges& done, bool recorded,
                  std::vector<std::string> cookies);
    // What the transfer's answer leaves: the movie under its name, or the
    // failure sent and the part file kept or removed. held: the bytes the
    // part file had before.
    bool finish(MovieBody& transfer, const HttpResponse& answer, long long held);
    // Why an answer may be fetched in pieces: its validator and total.
    struct Pieces {
        std::string validator;
        long long total = 0;
    };
    std::optional<Pieces> piecesFor(const HttpResponse& answer, const char* first,
                                    std::size_t n) const;

    const JobOptions& options_;
    const JobReporter& reporter_;
    MovieFile movie_;
    // The answer was a range of another version of the file.
    bool changed_ = false;
    // The answer is to be fetched in pieces; and whether it still may be
    // (not after pieces started over on one connection).
    std::optional<Pieces> pieces_;
    bool piecesAllowed_ = true;
    // The file's first bytes were asked for alone: the answer refused them,
    // or brought them for the rest to follow over one connection.
    bool headAsked_ = false;
    bool headRefused_ = false;
    bool restFollows_ = false;
    // The body an answer met elsewhere goes into.
    std::unique_ptr<MovieBody> takenOver_;
    bool failed_ = false;
};

#pragma once

#include "JobOptions.h"
#include "JobReporter.h"

#include <curl/curl.h>

#include <cstddef>
#include <string>

class StagedFile;
struct MovieBody;

// The movie step of a download job: the chosen stream saved as
// folder/title.ext. The movie goes into options.partFile when given (kept
// when the job fails or pauses, to continue it), else into a temporary file
// removed on any stop; it gets its name only once whole and a movie, the
// next "(1)" name when that is taken.
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
    // not the file asked for. first and n: the body's first bytes as they
    // arrived (none for an empty body).
    bool bodyStarts(MovieBody& transfer, const char* first, std::size_t n);
    // The movie's first bytes showed container ("flv", "mp4" or empty for
    // neither): the file is saved and announced under that type.
    void containerSeen(const std::string& container);

    const JobReporter& reporter() const { return reporter_; }

private:
    // What the transfer's answer leaves: the movie under its name, or the
    // failure sent and the part file kept or removed. held: the bytes the
    // part file had before.
    bool finish(CURL* curl, StagedFile& file, MovieBody& transfer, CURLcode result, long long held);
    // Tells the caller what to store to continue the part file later.
    void sendResumable(const StagedFile& file, std::string validator, long long total) const;

    const JobOptions& options_;
    const JobReporter& reporter_;
    std::string title_;
    std::string extension_;
    // The answer was a range of another version of the file.
    bool changed_ = false;
};

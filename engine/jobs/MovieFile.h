#pragma once

#include "JobOptions.h"
#include "JobReporter.h"
#include "Reason.h"
#include "StagedFile.h"

#include <string>

// The file every movie step saves into, from its opening to its commit:
// folder/title.ext staged under options.resume.partFile when that lies beside it
// (kept to continue when resumable), else under a temporary name of its
// own; named only once whole and a movie, never over another file (the
// next "(1)" name when that is taken). One for each step: a movie fetched
// whole or in pieces (MovieDownload), a stream (StreamDownload). Used on
// the job's worker thread only.
class MovieFile {
public:
    // title: the file title, safe already; extension: with its dot.
    // resumable: what it holds may be continued by a later job.
    MovieFile(const JobOptions& options, const JobReporter& reporter, std::string title,
              std::string extension, bool resumable);

    // The step begins (its statuses and container sent) and the file is
    // opened; false when it cannot be, the failure sent.
    bool open();
    StagedFile& file() { return file_; }
    const StagedFile& file() const { return file_; }

    // The movie's first bytes showed container ("flv", "mp4" or empty for
    // neither): it is saved and announced under that type.
    void containerSeen(const std::string& container);

    // The end of every save: a movie is committed under its name (false
    // when that fails); anything else fails with SaveFailed, its part file
    // kept when it may be continued (or found every name taken).
    bool settle(bool movie, bool continuable);
    // Fails with reason, the part file kept when continuable.
    bool fail(Reason reason, bool continuable);
    // Stopped on request: the part file kept for a pause, else removed.
    bool stop();

    // The title and extension the movie was saved (or is to be saved)
    // under: the title may have taken a "(1)".
    const std::string& title() const { return title_; }
    const std::string& extension() const { return extension_; }
    // Folder, title and extension.
    std::string path() const;

private:
    const JobOptions& options_;
    const JobReporter& reporter_;
    std::string title_;
    std::string extension_;
    bool resumable_;
    StagedFile file_;
};

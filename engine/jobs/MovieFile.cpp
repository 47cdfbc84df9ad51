#include "MovieFile.h"

#include "FilePath.h"

#include <utility>

MovieFile::MovieFile(const JobOptions& options, const JobReporter& reporter, std::string title,
                     std::string extension, bool resumable)
    : options_(options), reporter_(reporter), title_(std::move(title)),
      extension_(std::move(extension)), resumable_(resumable && !options.resume.partFile.empty()),
      file_(path()) {}

std::string MovieFile::path() const {
    return options_.movieFolder + "/" + title_ + extension_;
}

// Runs on the job's worker thread.
bool MovieFile::open() {
    reporter_.step(Reason::Connecting);
    reporter_.step(Reason::Downloading);
    reporter_.send(JobEvent::Kind::Container, extension_.substr(1));
    // A part file is ours only beside its target: a rename cannot leave the
    // file system. Anywhere else the job takes a name of its own.
    const bool stable =
        !options_.resume.partFile.empty() && FilePath::folderOf(options_.resume.partFile) == options_.movieFolder;
    switch (stable ? file_.open(options_.resume.partFile) : file_.open()) {
    case StagedFile::Opened::Ok:
        return true;
    case StagedFile::Opened::FolderUnusable:
        reporter_.fail(Reason::MovieFolderUnusable);
        return false;
    case StagedFile::Opened::NameRefused:
        reporter_.fail(Reason::InvalidTitle);
        return false;
    }
    return false;
}

void MovieFile::containerSeen(const std::string& container) {
    if (container.empty() || "." + container == extension_)
        return;
    extension_ = "." + container;
    reporter_.send(JobEvent::Kind::Container, container);
}

// Runs on the job's worker thread.
bool MovieFile::settle(bool movie, bool continuable) {
    // The first bytes may have named another container than the quality rule.
    file_.retarget(path());
    // A movie counts as saved only once every byte is on disk under its name.
    if (!movie || !file_.commit())
        // Title.flv and Title(1).flv to Title(99).flv all exist, or the bytes failed.
        return fail(file_.namesTaken() ? Reason::NamesTaken : Reason::SaveFailed,
                    continuable || file_.namesTaken());
    // The name may have taken a "(1)": the conversion and the window follow it.
    const std::string saved = FilePath::fileNameOf(file_.target());
    title_ = saved.substr(0, saved.size() - extension_.size());
    reporter_.send(JobEvent::Kind::Saved, saved);
    reporter_.step(Reason::Downloaded);
    return true;
}

// Runs on the job's worker thread.
bool MovieFile::fail(Reason reason, bool continuable) {
    if (resumable_ && continuable)
        file_.keep();
    else
        file_.discard();
    reporter_.fail(reason);
    return false;
}

// Runs on the job's worker thread.
bool MovieFile::stop() {
    if (resumable_ && reporter_.paused())
        file_.keep();
    else
        file_.discard();
    reporter_.stopped();
    return false;
}

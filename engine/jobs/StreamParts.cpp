#include "jobs/StreamParts.h"

#include "files/FilePath.h"
#include "jobs/JobReporter.h"

#include <utility>

StreamParts::StreamParts(const JobOptions& options, const JobReporter& reporter, std::string target,
                         std::string fingerprint)
    : options_(options), reporter_(reporter), target_(std::move(target)),
      fingerprint_(std::move(fingerprint)) {}

// Runs on the job's worker thread.
bool StreamParts::open(std::size_t tracks) {
    const ResumeState& resume = options_.resume;
    // A part file is ours only beside its movie, as MovieFile's is.
    stable_ = !resume.partFile.empty() && tracks <= ResumeState::maxTracks &&
              FilePath::folderOf(resume.partFile) == options_.movieFolder;
    files_.clear();
    for (std::size_t i = 0; i < tracks; ++i) {
        auto file = std::make_unique<StagedFile>(target_);
        if ((stable_ ? file->open(resume.trackFile(i)) : file->open()) != StagedFile::Opened::Ok)
            return false;
        files_.push_back(std::move(file));
    }
    // Continued only from a record of this very segment list that every
    // file still bears out (in its stable name, at least that long).
    continued_.assign(tracks, Done{});
    bool continues = stable_ && resume.segments.manifest == fingerprint_ &&
                     resume.segments.tracks.size() == tracks;
    for (std::size_t i = 0; continues && i < tracks; ++i) {
        const auto done = ResumeState::Segments::prefixOf(resume.segments.tracks[i]);
        continues = done && files_[i]->tempPath() == resume.trackFile(i) &&
                    files_[i]->size() >= done->bytes;
        if (continues)
            continued_[i] = *done;
    }
    if (!continues)
        continued_.assign(tracks, Done{});
    ends_.clear();
    for (std::size_t i = 0; i < tracks; ++i) {
        // Bytes past the record are a segment a crash cut off.
        if (!files_[i]->presize(continued_[i].bytes))
            return false;
        ends_.push_back(continued_[i].bytes);
    }
    report(continued_);
    return true;
}

// Runs on the job's worker thread (the queue's).
bool StreamParts::append(std::size_t track, std::string_view clear) {
    StagedFile& file = *files_.at(track);
    if (file.writeAt(ends_[track], clear.data(), clear.size()) != clear.size())
        return false;
    ends_[track] += static_cast<long long>(clear.size());
    return true;
}

// Runs on the job's worker thread.
void StreamParts::record(const std::vector<Done>& done) {
    // Never a record of bytes that a crash could still take away.
    for (const auto& file : files_)
        if (!file->syncData())
            return;
    report(done);
}

void StreamParts::report(const std::vector<Done>& done) const {
    if (!stable_ || files_.empty())
        return;
    ResumeState state{.partFile = files_.front()->tempPath()};
    state.segments.manifest = fingerprint_;
    for (const Done& track : done)
        state.segments.tracks.push_back(ResumeState::Segments::prefix(track));
    reporter_.resumable(std::move(state));
}

// Runs on the job's worker thread.
void StreamParts::progress(std::int64_t total, std::int64_t now) {
    if (pacer_.due(total, now))
        reporter_.progress(static_cast<double>(total), static_cast<double>(now));
}

void StreamParts::flushProgress() {
    if (!pacer_.pending())
        return;
    reporter_.progress(static_cast<double>(pacer_.total()), static_cast<double>(pacer_.now()));
    pacer_.flushed();
}

bool StreamParts::stopping() const {
    return reporter_.cancelled();
}

void StreamParts::keep() {
    for (const auto& file : files_) {
        if (stable_)
            file->keep();
        else
            file->discard();
    }
}

void StreamParts::discard() {
    for (const auto& file : files_)
        file->discard();
}

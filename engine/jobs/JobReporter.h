#pragma once

#include "CancelToken.h"
#include "JobEvent.h"

#include <memory>
#include <string>

// A job's two lines to whoever runs it: its events, sent to the sink under
// the job's id on the worker thread, and the cancel token (may be null) it
// checks at each step (the transfer's progress calls, the wait for ffmpeg).
class JobReporter {
public:
    JobReporter(int id, JobSink sink, std::shared_ptr<const CancelToken> cancel = {});

    int id() const { return id_; }
    // Asked to stop, whether to pause or to cancel.
    bool cancelled() const { return cancel_ && cancel_->cancelled(); }
    // Asked to stop and keep the part file, to continue later.
    bool paused() const { return cancel_ && cancel_->pausing(); }
    // For the waits that poll it themselves (ffmpeg, the page fetch); may be null.
    const CancelToken* cancelToken() const { return cancel_.get(); }

    // An event of facts (text: a title, a container, a file name).
    void send(JobEvent::Kind kind, std::string text = {}) const;
    // An event whose reason says what happened.
    void send(JobEvent::Kind kind, Reason reason) const;
    // The step the job has reached.
    void step(Reason reason) const { send(JobEvent::Kind::Status, reason); }
    void fail(Reason reason) const { send(JobEvent::Kind::Failed, reason); }
    void progress(double total, double received) const;
    // The source the job saves.
    void sourced(SourceRef source) const;
    // How much of the movie's sound the conversion has made MP3, in seconds.
    void convertProgress(double done, double total) const;
    // What to keep to continue the part file later.
    void resumable(ResumeState state) const;
    // The last event of a job stopped on request: Paused or Cancelled.
    void stopped() const;

    // A conversion has begun (Converting sent), and a last event (Finished,
    // Failed, Paused, Cancelled) has been sent.
    bool converting() const { return converting_; }
    bool ended() const { return ended_; }

private:
    // A progress event of either kind.
    void figures(JobEvent::Kind kind, double done, double total) const;
    void deliver(JobEvent event) const;

    int id_;
    JobSink sink_;
    std::shared_ptr<const CancelToken> cancel_;
    // Only the job's worker thread sends.
    mutable bool converting_ = false;
    mutable bool ended_ = false;
};

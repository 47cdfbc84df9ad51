#include "JobReporter.h"

#include <utility>

JobReporter::JobReporter(int id, JobSink sink, std::shared_ptr<const CancelToken> cancel)
    : id_(id), sink_(std::move(sink)), cancel_(std::move(cancel)) {}

void JobReporter::send(JobEvent::Kind kind, std::string text) const {
    JobEvent event;
    event.kind = kind;
    event.text = std::move(text);
    deliver(std::move(event));
}

void JobReporter::send(JobEvent::Kind kind, Reason reason) const {
    JobEvent event;
    event.kind = kind;
    event.reason = reason;
    deliver(std::move(event));
}

void JobReporter::progress(double total, double received) const {
    figures(JobEvent::Kind::Progress, received, total);
}

void JobReporter::convertProgress(double done, double total) const {
    figures(JobEvent::Kind::ConvertProgress, done, total);
}

void JobReporter::figures(JobEvent::Kind kind, double done, double total) const {
    JobEvent event;
    event.kind = kind;
    event.done = done;
    event.total = total;
    deliver(std::move(event));
}

void JobReporter::resumable(ResumeState state) const {
    JobEvent event;
    event.kind = JobEvent::Kind::Resumable;
    event.resume = std::move(state);
    deliver(std::move(event));
}

void JobReporter::sourced(SourceRef source) const {
    JobEvent event;
    event.kind = JobEvent::Kind::Sourced;
    event.source = std::move(source);
    deliver(std::move(event));
}

void JobReporter::stopped() const {
    if (paused())
        send(JobEvent::Kind::Paused, Reason::Paused);
    else
        send(JobEvent::Kind::Cancelled, Reason::Cancelled);
}

void JobReporter::deliver(JobEvent event) const {
    switch (event.kind) {
    case JobEvent::Kind::Converting:
        converting_ = true;
        break;
    case JobEvent::Kind::Finished:
    case JobEvent::Kind::Failed:
    case JobEvent::Kind::Paused:
    case JobEvent::Kind::Cancelled:
        ended_ = true;
        break;
    default:
        break;
    }
    if (!sink_)
        return;
    event.id = id_;
    sink_(event);
}

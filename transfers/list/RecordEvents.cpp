#include "RecordEvents.h"

#include "FileTitle.h"

#include <chrono>

bool RecordEvents::savedMp3(const JobEvent& event) {
    return event.kind == JobEvent::Kind::Saved && event.text.ends_with(".mp3");
}

bool RecordEvents::takeFacts(TransferRecord& record, const JobEvent& event) {
    switch (event.kind) {
    case JobEvent::Kind::Titled:
        record.title = event.text;
        // The job names its files after the same title, made safe.
        record.fileTitle = FileTitle::safe(event.text);
        return true;
    case JobEvent::Kind::Container:
        record.type = event.text;
        return true;
    case JobEvent::Kind::Saved:
        // The job's folder is the record's: a name, never a path.
        if (savedMp3(event)) {
            record.mp3Path = record.musicFolder + "/" + event.text;
        } else {
            record.moviePath = record.movieFolder + "/" + event.text;
            // Committed: no part file is left to continue.
            record.resume = {};
        }
        return true;
    case JobEvent::Kind::Sourced:
        record.source = event.source;
        return true;
    case JobEvent::Kind::Resumable:
        record.resume = event.resume;
        if (event.resume.total > 0)
            record.total = event.resume.total;
        return true;
    default:
        return false;
    }
}

void RecordEvents::end(TransferRecord& record, const JobEvent& event) {
    if (event.kind == JobEvent::Kind::Finished) {
        record.state = TransferState::Done;
        record.status = event.reason;
        record.error = Reason::None;
    } else {
        record.state = TransferState::Failed;
        record.error = record.status = event.reason;
    }
    record.endedAt = now();
}

std::int64_t RecordEvents::now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

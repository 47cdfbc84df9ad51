#include "TransferList.h"

#include "CancelToken.h"
#include "FilePath.h"
#include "HostBudget.h"
#include "Job.h"
#include "JobFactory.h"
#include "PageTitle.h"
#include "RecordEvents.h"
#include "SpeedLimit.h"
#include "StagedFile.h"
#include "StatusText.h"
#include "TransferStore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

struct TransferList::Entry {
    TransferRecord record;
    // Speed of the running download.
    TransferRate rate;
    // Pace and progress of the running conversion, in seconds of sound;
    // converting once it has reported any.
    TransferRate conversion;
    bool converting = false;
    double conversionDone = 0;
    double conversionTotal = 0;
    // The job working on the record, 0 when none; a record never has two.
    int job = 0;
    std::shared_ptr<CancelToken> token;
    // The turn it waits for while Queued.
    std::uint64_t turn = 0;
    // A saved file was found missing when last looked for (checkFiles).
    bool movieGone = false;
    bool mp3Gone = false;

    // Done, and none of the files it saved is where it was saved.
    bool filesGone() const {
        const bool movie = !record.moviePath.empty() && !movieGone;
        const bool mp3 = record.converted() && !mp3Gone;
        return record.state == TransferState::Done && (movieGone || mp3Gone) && !movie && !mp3;
    }
};

namespace {

bool missing(const std::string& path) {
    std::error_code error;
    return !path.empty() && !std::filesystem::is_regular_file(path, error);
}

bool endsJob(JobEvent::Kind kind) {
    return kind == JobEvent::Kind::Finished || kind == JobEvent::Kind::Failed ||
           kind == JobEvent::Kind::Cancelled || kind == JobEvent::Kind::Paused;
}

} // namespace

TransferList::TransferList(TransferStore* store, Runner runner, JobSink sink,
                           SettingsSource settings)
    : store(store), runner(std::move(runner)), sink(std::move(sink)), settings(std::move(settings)),
      sharedLimit(std::make_shared<SpeedLimit>()), sharedHosts(std::make_shared<HostBudget>()) {}

TransferList::~TransferList() = default;

TransferList::Entry* TransferList::find(std::int64_t id) const {
    const auto it =
        std::lower_bound(rows.begin(), rows.end(), id,
                         [](const auto& entry, std::int64_t v) { return entry->record.id < v; });
    return it != rows.end() && (*it)->record.id == id ? it->get() : nullptr;
}

std::size_t TransferList::rowOfEntry(const Entry& entry) const {
    const auto it =
        std::lower_bound(rows.begin(), rows.end(), entry.record.id,
                         [](const auto& e, std::int64_t v) { return e->record.id < v; });
    return static_cast<std::size_t>(it - rows.begin());
}

std::optional<std::size_t> TransferList::rowOf(std::int64_t id) const {
    const Entry* entry = find(id);
    if (!entry)
        return std::nullopt;
    return rowOfEntry(*entry);
}

const TransferRecord& TransferList::at(std::size_t row) const {
    return rows.at(row)->record;
}

std::vector<std::string> TransferList::namedFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : rows)
        if (!entry->record.partFile.empty())
            files.push_back(entry->record.partFile);
    return files;
}

std::map<int, TransferRecord> TransferList::jobRecords() const {
    std::map<int, TransferRecord> records;
    for (const auto& [job, id] : jobs)
        if (const Entry* entry = id ? find(id) : nullptr; entry && entry->job == job)
            records.emplace(job, entry->record);
    return records;
}

const TransferRate* TransferList::rateAt(std::size_t row) const {
    const Entry& entry = *rows.at(row);
    return entry.job && JobFactory::movingBytes(entry.record) ? &entry.rate : nullptr;
}

std::optional<TransferList::Conversion> TransferList::conversionAt(std::size_t row) const {
    const Entry& entry = *rows.at(row);
    if (!entry.job || !entry.converting || entry.record.state != TransferState::Converting)
        return std::nullopt;
    Conversion conversion;
    conversion.done = entry.conversionDone;
    conversion.total = entry.conversionTotal;
    conversion.left = entry.conversion.timeLeft();
    return conversion;
}

int TransferList::runningCount() const {
    return static_cast<int>(jobs.size());
}

int TransferList::queuedCount() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto& entry) {
        return entry->record.state == TransferState::Queued;
    }));
}

TransferList::Entry& TransferList::insert(TransferRecord record) {
    auto entry = std::make_unique<Entry>();
    entry->record = std::move(record);
    const std::size_t row = rowOfEntry(*entry);
    if (observer)
        observer->aboutToInsert(row);
    Entry& placed =
        **rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(row), std::move(entry));
    lastId = std::max(lastId, placed.record.id);
    if (observer)
        observer->inserted(row);
    return placed;
}

std::int64_t TransferList::newId() {
    // The store knows the ids of earlier runs; without one, this run's do.
    lastId = std::max(lastId + 1, store ? store->newId() : 0);
    return lastId;
}

void TransferList::show(const Entry& entry) {
    if (observer)
        observer->changed(rowOfEntry(entry));
}

void TransferList::stateChanged(Entry& entry) {
    show(entry);
    if (store)
        store->save(entry.record);
}

void TransferList::progressed(Entry& entry) {
    show(entry);
    if (store)
        store->saveProgress(entry.record);
}

void TransferList::takeSettings(TransferRecord& record) const {
    const JobSettings now = settings ? settings() : JobSettings{};
    record.quality = now.quality;
    record.movieFolder = now.movieFolder;
    record.musicFolder = now.musicFolder;
    record.convert = now.convert;
}

void TransferList::restore() {
    if (!store)
        return;
    std::vector<Entry*> continuing;
    for (TransferRecord& record : store->load()) {
        if (find(record.id))
            continue;
        Entry& entry = insert(std::move(record));
        switch (entry.record.state) {
        case TransferState::Queued:
        case TransferState::Running:
        case TransferState::Converting:
        case TransferState::Interrupted:
            continuing.push_back(&entry);
            break;
        default:
            break;
        }
    }
    // In the order they were added, as they would have run.
    for (Entry* entry : continuing) {
        enqueue(*entry);
        stateChanged(*entry);
    }
    checkFiles();
    pump();
}

void TransferList::checkFiles() {
    for (const auto& entry : rows)
        checkFiles(*entry);
}

void TransferList::checkFiles(std::int64_t id) {
    if (Entry* entry = find(id))
        checkFiles(*entry);
}

void TransferList::checkFiles(Entry& entry) {
    if (entry.record.state != TransferState::Done)
        return;
    const bool wasGone = entry.filesGone();
    entry.movieGone = missing(entry.record.moviePath);
    entry.mp3Gone = missing(entry.record.mp3Path);
    if (entry.filesGone() != wasGone)
        show(entry);
}

bool TransferList::filesGone(std::size_t row) const {
    return rows.at(row)->filesGone();
}

std::int64_t TransferList::add(const std::string& url, const std::string& title, SourceRef source) {
    TransferRecord record;
    record.source = std::move(source);
    record.id = newId();
    // Without a title the job names the file after the page's headline.
    if (!title.empty()) {
        record.title = PageTitle::readable(title);
        record.fileTitle = PageTitle::safe(title);
    }
    record.pageUrl = url;
    takeSettings(record);
    record.addedAt = RecordEvents::now();
    Entry& entry = insert(std::move(record));
    enqueue(entry);
    stateChanged(entry);
    pump();
    return entry.record.id;
}

std::int64_t TransferList::addConversion(const std::string& moviePath, const std::string& title) {
    TransferRecord record;
    record.id = newId();
    record.kind = TransferKind::Conversion;
    record.title = PageTitle::readable(title);
    record.fileTitle = PageTitle::safe(title);
    takeSettings(record);
    // Read where it lies, whatever the movie folder of now.
    record.movieFolder = FilePath::folderOf(moviePath);
    record.moviePath = moviePath;
    const std::string name = FilePath::fileNameOf(moviePath);
    if (const auto dot = FilePath::extensionAt(name); dot + 1 < name.size())
        record.type = name.substr(dot + 1);
    record.convert = true;
    record.addedAt = RecordEvents::now();
    Entry& entry = insert(std::move(record));
    enqueue(entry);
    stateChanged(entry);
    pump();
    return entry.record.id;
}

bool TransferList::fileInUse(const std::string& path) const {
    return std::any_of(rows.begin(), rows.end(), [&](const auto& entry) {
        const TransferRecord& record = entry->record;
        return (entry->job || record.active()) &&
               (record.moviePath == path || record.mp3Path == path);
    });
}

bool TransferList::fileMoved(const std::string& from, const std::string& to) {
    if (from.empty() || fileInUse(from))
        return false;
    for (const auto& entry : rows) {
        TransferRecord& record = entry->record;
        const bool movie = record.moviePath == from;
        const bool mp3 = record.mp3Path == from;
        if (!movie && !mp3)
            continue;
        if (movie)
            record.moviePath = to;
        if (mp3)
            record.mp3Path = to;
        checkFiles(*entry);
        stateChanged(*entry);
    }
    return true;
}

void TransferList::setMaxRunning(int n) {
    limit = std::clamp(n, 1, 8);
    pump();
}

void TransferList::setSpeedLimit(std::int64_t bytesPerSecond) {
    if (bytesPerSecond == sharedLimit->rate())
        return;
    sharedLimit->setRate(bytesPerSecond);
    // What was measured under the old limit says nothing of the new one.
    for (const auto& entry : rows)
        entry->rate.reset();
}

std::int64_t TransferList::speedLimit() const {
    return sharedLimit->rate();
}

void TransferList::enqueue(Entry& entry) {
    entry.record.state = TransferState::Queued;
    entry.record.status = statusOf(TransferState::Queued);
    entry.record.error = Reason::None;
    entry.record.endedAt = 0;
    entry.turn = ++lastTurn;
    entry.movieGone = entry.mp3Gone = false;
    waiting.emplace_back(entry.record.id, entry.turn);
}

void TransferList::hold(bool held) {
    this->held = held;
    pump();
}

void TransferList::pump() {
    if (closing || held)
        return;
    for (auto it = waiting.begin(); it != waiting.end() && runningCount() < limit;) {
        Entry* entry = find(it->first);
        // Left the queue meanwhile (paused, cancelled, cleared, queued again).
        if (!entry || entry->record.state != TransferState::Queued || entry->turn != it->second) {
            it = waiting.erase(it);
            continue;
        }
        // Its earlier job is still stopping; it keeps its turn.
        if (entry->job) {
            ++it;
            continue;
        }
        it = waiting.erase(it);
        start(*entry);
    }
}

void TransferList::start(Entry& entry) {
    TransferRecord& record = entry.record;
    if (!JobFactory::convertsOnly(record) && record.partFile.empty())
        record.partFile = JobFactory::partFile(record);
    const int job = ++lastJob;
    auto token = std::make_shared<CancelToken>();
    // A job takes the connections of now; the limit and the host budget are
    // shared by all of them.
    const JobSettings now = settings ? settings() : JobSettings{};
    const JobFactory::Shared shared{sharedLimit, sharedHosts, now.connections};
    std::unique_ptr<Job> work = JobFactory::make(record, job, sink, token, shared, identity);
    record.state =
        JobFactory::convertsOnly(record) ? TransferState::Converting : TransferState::Running;
    entry.rate.reset();
    entry.conversion.reset();
    entry.converting = false;
    try {
        runner(std::move(work));
    } catch (const std::system_error&) {
        record.state = TransferState::Failed;
        record.error = record.status = startFailure(record.kind);
        record.endedAt = RecordEvents::now();
        stateChanged(entry);
        if (observer)
            observer->ended(record);
        return;
    }
    jobs[job] = record.id;
    entry.job = job;
    entry.token = std::move(token);
    stateChanged(entry);
}

bool TransferList::can(Action action, std::int64_t id) const {
    const Entry* entry = find(id);
    if (!entry)
        return false;
    const TransferRecord& record = entry->record;
    const TransferState state = record.state;
    switch (action) {
    case Action::Pause:
        // Holding a waiting transfer loses nothing, nor does stopping a
        // download's bytes. Once its movie is saved, what is left (the
        // conversion) would start over: that is not a pause.
        return state == TransferState::Queued ||
               (state == TransferState::Running && record.kind == TransferKind::Download &&
                record.moviePath.empty());
    case Action::Resume:
        return state == TransferState::Paused || state == TransferState::Interrupted;
    case Action::Cancel:
        return !record.ended();
    case Action::Retry:
        // A saved file deleted or moved away is fetched again.
        return state == TransferState::Failed || state == TransferState::Cancelled ||
               entry->filesGone();
    case Action::Clear:
        return record.ended();
    case Action::Convert:
        return state == TransferState::Done && !record.moviePath.empty() && !record.converted() &&
               !entry->movieGone;
    case Action::Play:
    case Action::ShowFolder:
        return (!record.moviePath.empty() || record.converted()) && !entry->filesGone();
    }
    return false;
}

bool TransferList::pause(std::int64_t id) {
    if (!can(Action::Pause, id))
        return false;
    Entry& entry = *find(id);
    // The job stops at its next check and says so; the row says it now.
    if (entry.job)
        entry.token->pause();
    entry.record.state = TransferState::Paused;
    entry.record.status = statusOf(TransferState::Paused);
    stateChanged(entry);
    pump();
    return true;
}

bool TransferList::resume(std::int64_t id) {
    if (!can(Action::Resume, id))
        return false;
    Entry& entry = *find(id);
    enqueue(entry);
    stateChanged(entry);
    pump();
    return true;
}

bool TransferList::cancel(std::int64_t id) {
    if (!can(Action::Cancel, id))
        return false;
    Entry& entry = *find(id);
    TransferRecord& record = entry.record;
    if (entry.job)
        entry.token->cancel(); // the job removes its part file
    else
        dropPartFile(record);
    record.state = TransferState::Cancelled;
    record.status = statusOf(TransferState::Cancelled);
    record.endedAt = RecordEvents::now();
    stateChanged(entry);
    pump();
    return true;
}

bool TransferList::retry(std::int64_t id) {
    if (!can(Action::Retry, id))
        return false;
    Entry& entry = *find(id);
    TransferRecord& record = entry.record;
    const TransferRecord before = record;
    takeSettings(record);
    // Its files are gone: downloaded again, whatever made them last.
    if (entry.filesGone())
        record.kind = TransferKind::Download;
    if (record.kind == TransferKind::Download && JobFactory::movieKept(before)) {
        // Its automatic conversion failed or was cancelled: only that runs
        // again, on the movie where it was saved.
        record.movieFolder = before.movieFolder;
        record.convert = true;
        record.mp3Path.clear();
    } else if (record.kind == TransferKind::Conversion) {
        // A conversion reads the movie where it was saved.
        record.movieFolder = before.movieFolder;
    } else {
        // A part file elsewhere is no use to a download into the new folder.
        if (record.movieFolder != before.movieFolder)
            dropPartFile(record);
        record.type.clear();
        record.moviePath.clear();
        record.mp3Path.clear();
        record.received = 0;
    }
    enqueue(entry);
    stateChanged(entry);
    pump();
    return true;
}

bool TransferList::clear(std::int64_t id) {
    if (!can(Action::Clear, id))
        return false;
    Entry& entry = *find(id);
    // A failed download's bytes are nobody's once its row goes.
    if (!entry.job && entry.record.state == TransferState::Failed)
        dropPartFile(entry.record);
    // A job still stopping keeps its slot; its last events find no record.
    if (entry.job)
        jobs[entry.job] = 0;
    const std::size_t row = rowOfEntry(entry);
    if (observer)
        observer->aboutToRemove(row);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
    if (store)
        store->remove(id);
    if (observer)
        observer->removed(row);
    return true;
}

bool TransferList::convert(std::int64_t id) {
    if (!can(Action::Convert, id))
        return false;
    Entry& entry = *find(id);
    TransferRecord& record = entry.record;
    record.kind = TransferKind::Conversion;
    // The music folder of now; the movie is read where it was saved, not
    // looked for in a movie folder chosen since.
    const JobSettings now = settings ? settings() : JobSettings{};
    record.musicFolder = now.musicFolder;
    enqueue(entry);
    stateChanged(entry);
    pump();
    return true;
}

void TransferList::interruptAll() {
    closing = true;
    for (const auto& entry : rows) {
        TransferRecord& record = entry->record;
        const bool working =
            record.state == TransferState::Running || record.state == TransferState::Converting;
        if (!working && record.state != TransferState::Queued)
            continue;
        // Pausing keeps a download's bytes; a conversion stops and runs again.
        if (entry->job)
            entry->token->pause();
        record.state = TransferState::Interrupted;
        record.status = statusOf(TransferState::Interrupted);
        stateChanged(*entry);
    }
    waiting.clear();
}

void TransferList::dropPartFile(TransferRecord& record) {
    // Only a part file of ours that no job holds, never through a link.
    if (!record.partFile.empty())
        StagedFile::removeUnheld(record.partFile);
    record.partFile.clear();
    record.validator.clear();
    record.ranges.clear();
}

void TransferList::apply(const JobEvent& event) {
    const auto job = jobs.find(event.id);
    if (job == jobs.end())
        return;
    Entry* entry = job->second ? find(job->second) : nullptr;
    if (entry && entry->job != event.id)
        entry = nullptr;
    if (endsJob(event.kind))
        jobs.erase(job);
    if (entry) {
        TransferRecord& record = entry->record;
        // Texts of a job being stopped no longer describe the row.
        const bool working =
            record.state == TransferState::Running || record.state == TransferState::Converting;
        switch (event.kind) {
        case JobEvent::Kind::Progress:
            record.received = static_cast<std::int64_t>(event.done);
            if (event.total > 0)
                record.total = static_cast<std::int64_t>(event.total);
            if (JobFactory::movingBytes(record))
                entry->rate.add(TransferRate::Clock::now(), event.done, event.total);
            progressed(*entry);
            break;
        case JobEvent::Kind::Status:
            if (working) {
                record.status = event.reason;
                progressed(*entry);
            }
            break;
        case JobEvent::Kind::Container:
            RecordEvents::takeFacts(record, event);
            progressed(*entry);
            break;
        case JobEvent::Kind::Titled:
        case JobEvent::Kind::Resumable:
        case JobEvent::Kind::Sourced:
            RecordEvents::takeFacts(record, event);
            stateChanged(*entry);
            break;
        case JobEvent::Kind::Saved:
            RecordEvents::takeFacts(record, event);
            stateChanged(*entry);
            if (observer)
                observer->saved(record, RecordEvents::savedMp3(event));
            break;
        case JobEvent::Kind::Converting:
            if (working) {
                record.state = TransferState::Converting;
                if (event.reason != Reason::None)
                    record.status = event.reason;
                entry->rate.reset();
                entry->conversion.reset();
                entry->converting = false;
                stateChanged(*entry);
            }
            break;
        case JobEvent::Kind::ConvertProgress:
            // Only shown: the store keeps byte counts, not a conversion's pace.
            if (record.state == TransferState::Converting) {
                entry->converting = true;
                entry->conversionDone = event.done;
                entry->conversionTotal = event.total;
                entry->conversion.add(TransferRate::Clock::now(), event.done, event.total);
                show(*entry);
            }
            break;
        case JobEvent::Kind::Converted:
            break;
        case JobEvent::Kind::Finished:
        case JobEvent::Kind::Failed:
            finished(*entry, event);
            break;
        case JobEvent::Kind::Paused:
        case JobEvent::Kind::Cancelled:
            stopped(*entry, event);
            break;
        }
        if (endsJob(event.kind)) {
            entry->job = 0;
            entry->token.reset();
        }
    }
    if (endsJob(event.kind))
        pump();
}

void TransferList::finished(Entry& entry, const JobEvent& event) {
    TransferRecord& record = entry.record;
    RecordEvents::end(record, event);
    entry.rate.reset();
    stateChanged(entry);
    if (observer)
        observer->ended(record);
}

void TransferList::stopped(Entry& entry, const JobEvent& event) {
    TransferRecord& record = entry.record;
    switch (record.state) {
    case TransferState::Running:
    case TransferState::Converting:
        // Stopped without being asked here.
        record.state =
            event.kind == JobEvent::Kind::Paused ? TransferState::Paused : TransferState::Cancelled;
        record.status = statusOf(record.state);
        break;
    default:
        // Cancelled, Paused, Interrupted, or queued again meanwhile: as the
        // user left it, also when a pause asked first ended the job.
        break;
    }
    // A job told to pause may still say Cancelled when it stopped before its
    // first byte; only a cancel removed its part file. A cancel that came
    // after the job had paused finds the part file still there.
    const bool pauseAsked = entry.token && entry.token->pausing();
    if (record.state == TransferState::Cancelled ||
        (event.kind == JobEvent::Kind::Cancelled && !pauseAsked))
        dropPartFile(record);
    if (record.state == TransferState::Cancelled && !record.endedAt)
        record.endedAt = RecordEvents::now();
    entry.rate.reset();
    stateChanged(entry);
}

void TransferList::noteStalls(std::chrono::steady_clock::time_point now) {
    // The engine reports every change of the bytes within 50 ms; a transfer
    // that has said nothing for longer has received nothing, and its rate
    // must fall rather than keep the last figure.
    for (const auto& [job, id] : jobs) {
        Entry* entry = id ? find(id) : nullptr;
        if (!entry || !JobFactory::movingBytes(entry->record))
            continue;
        const auto last = entry->rate.lastSampleAt();
        if (last && now - *last >= stallAfter) {
            entry->rate.addSilence(now);
            show(*entry);
        }
    }
}

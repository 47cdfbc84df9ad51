#include "transfers/list/TransferList.h"

#include "base/CancelToken.h"
#include "base/WorkRunner.h"
#include "files/FilePath.h"
#include "files/FileTitle.h"
#include "files/StagedFile.h"
#include "http/HostBudget.h"
#include "http/SpeedLimit.h"
#include "jobs/Job.h"
#include "page/PageTitle.h"
#include "transfers/list/JobFactory.h"
#include "transfers/list/RecordEvents.h"
#include "transfers/list/StatusText.h"
#include "transfers/list/TransferStore.h"

#include <algorithm>
#include <cmath>
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
    // Start Now: starts when queued, however many run.
    bool forced = false;
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

// The list's order: by order, then by id for orders an odd store repeats.
bool before(const TransferRecord& a, const TransferRecord& b) {
    return a.order != b.order ? a.order < b.order : a.id < b.id;
}

bool endsJob(JobEvent::Kind kind) {
    return kind == JobEvent::Kind::Finished || kind == JobEvent::Kind::Failed ||
           kind == JobEvent::Kind::Cancelled || kind == JobEvent::Kind::Paused;
}

} // namespace

TransferList::Runner TransferList::jobRunner(WorkRunner& workers) {
    return [&workers](std::unique_ptr<Job> job) {
        // The job crosses to the worker thread inside the work, its only
        // owner, and is destroyed there with it.
        workers.run([job = std::shared_ptr<Job>(std::move(job))] { job->runToTheEnd(); });
    };
}

TransferList::TransferList(TransferStore* store, Runner runner, JobSink sink,
                           SettingsSource settings)
    : store(store), runner(std::move(runner)), sink(std::move(sink)), settings(std::move(settings)),
      sharedLimit(std::make_shared<SpeedLimit>()), sharedHosts(std::make_shared<HostBudget>()) {}

TransferList::~TransferList() = default;

TransferList::Entry* TransferList::find(std::int64_t id) const {
    const auto it = byId.find(id);
    return it != byId.end() ? it->second : nullptr;
}

std::size_t TransferList::rowOfEntry(const Entry& entry) const {
    const auto it = std::lower_bound(
        rows.begin(), rows.end(), entry.record,
        [](const auto& e, const TransferRecord& record) { return before(e->record, record); });
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
        if (!entry->record.resume.partFile.empty())
            files.push_back(entry->record.resume.partFile);
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

std::optional<TransferList::Speed> TransferList::speedAt(std::size_t row) const {
    const TransferRate* rate = rateAt(row);
    const std::optional<double> measured = rate ? rate->rate() : std::nullopt;
    if (!measured)
        return std::nullopt;
    Speed speed{*measured, rate->timeLeft()};
    const double limit = static_cast<double>(sharedLimit->rate());
    if (limit <= 0)
        return speed;
    double together = 0;
    for (const auto& [job, id] : jobs)
        if (const Entry* entry = id ? find(id) : nullptr;
            entry && entry->job == job && JobFactory::movingBytes(entry->record))
            together += entry->rate.rate().value_or(0.0);
    if (together > limit) {
        const double share = limit / together;
        speed.bytesPerSecond *= share;
        if (speed.left)
            speed.left = std::chrono::seconds(
                static_cast<std::chrono::seconds::rep>(std::ceil(speed.left->count() / share)));
    }
    return speed;
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
    // Ids grow with age, and moves only trade orders: a new record's id is
    // a place after every row's.
    if (entry->record.order <= 0)
        entry->record.order = entry->record.id;
    const std::size_t row = rowOfEntry(*entry);
    if (observer)
        observer->aboutToInsert(row);
    Entry& placed =
        **rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(row), std::move(entry));
    byId[placed.record.id] = &placed;
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
    noteFiles(entry, FileLook::missing(entry.record.moviePath),
              FileLook::missing(entry.record.mp3Path));
}

void TransferList::noteFiles(Entry& entry, bool movieGone, bool mp3Gone) {
    const bool wasGone = entry.filesGone();
    entry.movieGone = movieGone;
    entry.mp3Gone = mp3Gone;
    if (entry.filesGone() != wasGone)
        show(entry);
}

std::vector<FileLook> TransferList::filesToLook(const std::vector<std::int64_t>& ids) const {
    std::vector<FileLook> looks;
    const auto add = [&looks](const Entry& entry) {
        if (entry.record.state == TransferState::Done)
            looks.push_back({entry.record.id, entry.record.moviePath, entry.record.mp3Path});
    };
    if (ids.empty()) {
        for (const auto& entry : rows)
            add(*entry);
    }
    for (std::int64_t id : ids)
        if (const Entry* entry = find(id))
            add(*entry);
    return looks;
}

void TransferList::filesLooked(const std::vector<FileLook>& looks) {
    for (const FileLook& look : looks) {
        Entry* entry = find(look.id);
        if (entry && entry->record.state == TransferState::Done &&
            entry->record.moviePath == look.moviePath && entry->record.mp3Path == look.mp3Path)
            noteFiles(*entry, look.movieGone, look.mp3Gone);
    }
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
        record.fileTitle = FileTitle::safe(title);
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
    record.fileTitle = FileTitle::safe(title);
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
        // The file is where it was just moved to.
        if (movie) {
            record.moviePath = to;
            entry->movieGone = false;
        }
        if (mp3) {
            record.mp3Path = to;
            entry->mp3Gone = false;
        }
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
    entry.forced = false;
    entry.movieGone = entry.mp3Gone = false;
}

void TransferList::hold(bool held) {
    this->held = held;
    pump();
}

void TransferList::pump() {
    if (closing || held)
        return;
    // In the list's order; one started now goes whatever runs.
    for (std::size_t row = 0; row < rows.size(); ++row) {
        Entry& entry = *rows[row];
        // Its earlier job is still stopping; it keeps its turn.
        if (entry.record.state != TransferState::Queued || entry.job)
            continue;
        if (entry.forced || runningCount() < limit)
            start(entry);
    }
}

void TransferList::start(Entry& entry) {
    TransferRecord& record = entry.record;
    if (!JobFactory::convertsOnly(record) && record.resume.partFile.empty())
        record.resume.partFile = JobFactory::partFile(record);
    const int job = ++lastJob;
    auto token = std::make_shared<CancelToken>();
    // A job takes the connections of now; the limit and the host budget are
    // shared by all of them.
    const JobSettings now = settings ? settings() : JobSettings{};
    const JobFactory::Shared shared{sharedLimit, sharedHosts, now.connections, now.language,
                                    now.subtitles};
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
    case Action::MoveUp:
    case Action::MoveToTop:
        return state == TransferState::Queued && queuedBeside(rowOfEntry(*entry), -1).has_value();
    case Action::MoveDown:
        return state == TransferState::Queued && queuedBeside(rowOfEntry(*entry), 1).has_value();
    case Action::StartNow:
        return state == TransferState::Queued && !entry->forced;
    }
    return false;
}

std::optional<std::size_t> TransferList::queuedBeside(std::size_t row, int step) const {
    for (std::size_t at = row; step < 0 ? at > 0 : at + 1 < rows.size();) {
        at = step < 0 ? at - 1 : at + 1;
        if (rows[at]->record.state == TransferState::Queued)
            return at;
    }
    return std::nullopt;
}

void TransferList::rearrange(const std::vector<std::size_t>& slots,
                             const std::vector<std::size_t>& from) {
    if (observer)
        observer->aboutToReorder();
    std::vector<std::int64_t> orders;
    for (std::size_t slot : slots)
        orders.push_back(rows[slot]->record.order);
    std::vector<std::unique_ptr<Entry>> taken;
    for (std::size_t row : from)
        taken.push_back(std::move(rows[row]));
    std::vector<std::pair<std::size_t, std::size_t>> moves;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        rows[slots[i]] = std::move(taken[i]);
        rows[slots[i]]->record.order = orders[i];
        if (from[i] != slots[i]) {
            moves.emplace_back(from[i], slots[i]);
            if (store)
                store->save(rows[slots[i]]->record);
        }
    }
    if (observer)
        observer->reordered(moves);
}

bool TransferList::moveUp(std::int64_t id) {
    return swapQueued(Action::MoveUp, id, -1);
}

bool TransferList::moveDown(std::int64_t id) {
    return swapQueued(Action::MoveDown, id, 1);
}

bool TransferList::swapQueued(Action action, std::int64_t id, int step) {
    if (!can(action, id))
        return false;
    const std::size_t row = rowOfEntry(*find(id));
    const std::size_t other = *queuedBeside(row, step);
    const std::size_t first = std::min(row, other);
    const std::size_t second = std::max(row, other);
    rearrange({first, second}, {second, first});
    return true;
}

bool TransferList::moveToTop(std::int64_t id) {
    if (!can(Action::MoveToTop, id))
        return false;
    const std::size_t row = rowOfEntry(*find(id));
    // Every queued row ahead of it moves one queued place down.
    std::vector<std::size_t> slots;
    for (std::optional<std::size_t> at = row; at; at = queuedBeside(*at, -1))
        slots.insert(slots.begin(), *at);
    std::vector<std::size_t> from{row};
    from.insert(from.end(), slots.begin(), slots.end() - 1);
    rearrange(slots, from);
    return true;
}

bool TransferList::startNow(std::int64_t id) {
    if (!can(Action::StartNow, id))
        return false;
    find(id)->forced = true;
    pump();
    return true;
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
    byId.erase(id);
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
}

void TransferList::dropPartFile(TransferRecord& record) {
    // Only a part file of ours that no job holds, never through a link; a
    // stream's tracks beside it too.
    for (const std::string& file : record.resume.files())
        StagedFile::removeUnheld(file);
    record.resume = {};
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

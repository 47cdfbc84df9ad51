#pragma once

#include "base/TransferRate.h"
#include "jobs/JobEvent.h"
#include "jobs/SubtitleChoice.h"
#include "transfers/list/FileLook.h"
#include "transfers/list/JobFactory.h"
#include "transfers/list/TransferRecord.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class CancelToken;
class HostBudget;
class SpeedLimit;
class TransferStore;
class Job;
class WorkRunner;

// Every transfer, running or ended: records with stable ids, their states,
// the queue and the jobs behind them. Plain C++ without widgets; the
// window's model shows it. Everything here runs on the window's thread:
// jobs report through the sink given at construction, which must bring each
// event back to this thread and into apply().
class TransferList {
public:
    // Runs a job off the window's thread; the runner owns it from then on.
    // Throws std::system_error when it cannot.
    using Runner = std::function<void(std::unique_ptr<Job> job)>;
    // The runner over workers: each job on a thread of its own, which owns
    // and destroys it.
    static Runner jobRunner(WorkRunner& workers);

    // The settings a new job takes.
    struct JobSettings {
        int quality = 4;
        std::string movieFolder = ".";
        std::string musicFolder = ".";
        bool convert = false;
        // How many connections one file may be fetched over, 1 to 16.
        int connections = 1;
        // The window's language: a stream's sound in it goes first.
        std::string language{};
        // The subtitle tracks saved beside each movie.
        SubtitleChoice subtitles{};
    };
    using SettingsSource = std::function<JobSettings()>;

    // Told of every change, to keep a view in step. Rows are positions in
    // the list: oldest first, unless queued ones were moved.
    class Observer {
    public:
        virtual ~Observer() = default;
        // Before the rows change, while a view still sees the rows it knew.
        virtual void aboutToInsert(std::size_t) {}
        virtual void aboutToRemove(std::size_t) {}
        virtual void inserted(std::size_t row) = 0;
        virtual void changed(std::size_t row) = 0;
        virtual void removed(std::size_t row) = 0;
        // Rows changed places: each move is (row before, row now).
        virtual void aboutToReorder() {}
        virtual void reordered(const std::vector<std::pair<std::size_t, std::size_t>>&) {}
        // A movie or MP3 was saved at record's moviePath / mp3Path.
        virtual void saved(const TransferRecord& record, bool mp3) = 0;
        // A job of record ended well or failed (never for a cancel or pause).
        virtual void ended(const TransferRecord& record) = 0;
    };

    // store may be null (nothing kept). sink is what every job reports to.
    TransferList(TransferStore* store, Runner runner, JobSink sink, SettingsSource settings);
    ~TransferList();
    TransferList(const TransferList&) = delete;
    TransferList& operator=(const TransferList&) = delete;

    void setObserver(Observer* observer) { this->observer = observer; }
    // What the jobs started from now on send as a browser would.
    void setIdentity(JobFactory::Identity identity) { this->identity = std::move(identity); }
    // While held, no job starts: transfers wait, queued, for what they need
    // (the browser's cookies, still loading). Released, the queue moves on.
    void hold(bool held);

    // At start: the store's records as they ended. Interrupted ones (and
    // any left Running, Queued or Converting by a crash) continue by
    // themselves; Paused ones stay paused.
    void restore();

    // Queues a download of the watch page at url, titled title (cleaned;
    // its files named after it made safe; empty: the page's headline, known
    // once the page is read), with the settings of now. Never refused.
    std::int64_t add(const std::string& url, const std::string& title, SourceRef source = {});

    // Queues a conversion to MP3 of a movie on disk that no transfer saved
    // (or whose transfer went), its MP3 named after title, into the music
    // folder of now.
    std::int64_t addConversion(const std::string& moviePath, const std::string& title);
    // The user renamed or moved the file at from to to: records that name
    // it follow. False when a job of one of them is using it.
    bool fileMoved(const std::string& from, const std::string& to);
    // Whether a job of a record that names the file at path is running.
    bool fileInUse(const std::string& path) const;

    // How many jobs run at once (1 to 8); more wait as Queued, in the
    // list's order (a transfer queued again keeps its place in the list).
    void setMaxRunning(int n);
    int maxRunning() const { return limit; }
    // The download speed of all transfers together, in bytes a second (0:
    // none); running transfers follow at once, their speeds measured afresh.
    void setSpeedLimit(std::int64_t bytesPerSecond);
    std::int64_t speedLimit() const;

    // What a user can do to a transfer. Play and ShowFolder are the
    // window's to carry out, on the file the transfer saved.
    enum class Action {
        Pause,
        Resume,
        Cancel,
        Retry,
        Clear,
        Convert,
        Play,
        ShowFolder,
        MoveUp,
        MoveDown,
        MoveToTop,
        StartNow
    };
    // Whether action does anything to transfer id now: the one rule that the
    // actions below keep and the window's menu offers.
    bool can(Action action, std::int64_t id) const;

    // Each action acts only where can() allows it; true when it did.
    // Waiting for its turn: held. A download still fetching: stops, keeping
    // its part file (a conversion would start over; it can only be cancelled).
    bool pause(std::int64_t id);
    // Paused or interrupted: queued again, continuing from its bytes.
    bool resume(std::int64_t id);
    // Anything not ended: stops and removes the part file.
    bool cancel(std::int64_t id);
    // Failed or cancelled: the same job again, with the settings of now; a
    // download whose movie is saved (and still there) converts it only.
    // Done but its files gone: downloaded again.
    bool retry(std::int64_t id);
    // An ended transfer leaves the list and the history; its files stay.
    bool clear(std::int64_t id);
    // A finished download's movie to MP3, in the folders of now.
    bool convert(std::int64_t id);
    // A queued transfer changes places with the queued one before (after)
    // it, or goes before every queued one; the rows between stay.
    bool moveUp(std::int64_t id);
    bool moveDown(std::int64_t id);
    bool moveToTop(std::int64_t id);
    // A queued transfer starts at once, beyond the number that run at once
    // (still not while the list is held).
    bool startNow(std::int64_t id);

    // Closing: running downloads stop keeping their part files, queued ones
    // wait, conversions stop; all of them are Interrupted, to continue at
    // the next start. The jobs are told; waiting for them is the runner's.
    void interruptAll();

    // A job's event, on the window's thread. Events of a job the record no
    // longer runs (cleared, retried) are dropped.
    void apply(const JobEvent& event);
    // A running transfer that has reported nothing for a while has received
    // nothing meanwhile (its rate falls). Called by the view's timer.
    void noteStalls(std::chrono::steady_clock::time_point now);
    // Looks again whether the files of finished transfers (all, or id's)
    // are still where they were saved; rows that changed are shown. At
    // start, and whenever the user may have moved or deleted them.
    void checkFiles();
    void checkFiles(std::int64_t id);
    // The same look, taken apart so that it can run off the window's
    // thread: what to look for (finished transfers of these ids, all when
    // none is given), then what was found. A record that changed meanwhile
    // (retried, cleared) is left as it is.
    std::vector<FileLook> filesToLook(const std::vector<std::int64_t>& ids = {}) const;
    void filesLooked(const std::vector<FileLook>& looks);
    // Done, but every file it saved was gone when last looked for.
    bool filesGone(std::size_t row) const;

    std::size_t size() const { return rows.size(); }
    const TransferRecord& at(std::size_t row) const;
    std::optional<std::size_t> rowOf(std::int64_t id) const;
    // The part files records continue from (paused, interrupted, failed
    // downloads): files of ours that a clean-up must leave alone.
    std::vector<std::string> namedFiles() const;
    // Copies of the records of the jobs still running, by job id: closing
    // hands them to whatever takes the jobs' last events.
    std::map<int, TransferRecord> jobRecords() const;
    // The rate of a row's running transfer, null when it moves no bytes.
    const TransferRate* rateAt(std::size_t row) const;
    // A row's speed as shown: its rate, the running transfers' together
    // fitted under the speed limit. Just after a start the rates measure
    // above it (a bucket that filled while idle lets its tokens through at
    // once, and a chunk may run into debt), which no transfer keeps up.
    struct Speed {
        double bytesPerSecond = 0;
        // At that speed; none while unknown.
        std::optional<std::chrono::seconds> left;
    };
    // None while the row's rate is unknown or it moves no bytes.
    std::optional<Speed> speedAt(std::size_t row) const;
    // How far a row's running conversion is, in seconds of sound.
    struct Conversion {
        double done = 0;
        // 0 while unknown.
        double total = 0;
        // At the pace of the last few seconds; none until it is known.
        std::optional<std::chrono::seconds> left;
    };
    // Nothing while the row converts nothing or before its first report.
    std::optional<Conversion> conversionAt(std::size_t row) const;
    // Jobs running or converting (one being stopped holds its slot until
    // it ends), and transfers queued.
    int runningCount() const;
    int queuedCount() const;

    static constexpr int defaultMaxRunning = 3;
    static constexpr std::chrono::milliseconds stallAfter{1000};

private:
    struct Entry;

    Entry* find(std::int64_t id) const;
    void checkFiles(Entry& entry);
    void noteFiles(Entry& entry, bool movieGone, bool mp3Gone);
    std::size_t rowOfEntry(const Entry& entry) const;
    // Inserts at its place by order; a record without one stands by its id.
    Entry& insert(TransferRecord record);
    std::int64_t newId();

    // Waits in the queue at its place in the list; pump() starts it in its turn.
    void enqueue(Entry& entry);
    // The nearest queued row before (step -1) or after (step 1) row.
    std::optional<std::size_t> queuedBeside(std::size_t row, int step) const;
    // Slot i (rows, ascending) takes the entry now at from[i]; the slots
    // keep their orders. from holds the same rows as slots.
    void rearrange(const std::vector<std::size_t>& slots, const std::vector<std::size_t>& from);
    // Move Up (step -1) or Move Down (1): the row and the queued one beside
    // it change places.
    bool swapQueued(Action action, std::int64_t id, int step);
    // Starts queued transfers while slots are free.
    void pump();
    void start(Entry& entry);
    // The record takes the settings of now.
    void takeSettings(TransferRecord& record) const;
    // A job's stop (pause or cancel) reached the record.
    void stopped(Entry& entry, const JobEvent& event);
    // The job's last event: done or failed.
    void finished(Entry& entry, const JobEvent& event);
    // Removes a part file no job holds any longer.
    static void dropPartFile(TransferRecord& record);

    // Tells the view and keeps the record: whole on a change of state,
    // coalesced when only its progress moved.
    void stateChanged(Entry& entry);
    void progressed(Entry& entry);
    void show(const Entry& entry);

    TransferStore* store;
    Runner runner;
    JobFactory::Identity identity;
    bool held = false;
    JobSink sink;
    SettingsSource settings;
    Observer* observer = nullptr;
    int limit = defaultMaxRunning;
    // Ordered by the records' order (then id): the order of age, unless
    // queued rows were moved.
    std::vector<std::unique_ptr<Entry>> rows;
    std::unordered_map<std::int64_t, Entry*> byId;
    // Every job started and not yet ended: its record, 0 once the record
    // is gone. Each one holds a slot until its last event.
    std::map<int, std::int64_t> jobs;
    int lastJob = 0;
    std::int64_t lastId = 0;
    // interruptAll() ran: nothing more starts.
    bool closing = false;
    // Shared by every download job this list starts.
    std::shared_ptr<SpeedLimit> sharedLimit;
    std::shared_ptr<HostBudget> sharedHosts;
};

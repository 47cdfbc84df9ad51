#pragma once

#include "StatusChannel.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

class DownloadItems;
class QTreeWidget;
class Settings;
class WorkerCounter;
class core;
struct JobEvent;

// The window's side of every transfer: starts jobs, keeps one record and one
// transfer list row per transfer, and applies what the workers report. The
// status channel (updates, dls, cb, cb2) is inherited so that workers only
// ever see plain C++. Everything here runs on the window's thread.
class Downloads : public StatusChannel {
public:
    // Runs a job on a worker of its own, which then owns and deletes it.
    // Throws std::system_error when no worker can be started; the job is
    // destroyed with the argument then.
    using WorkerStarter = std::function<void(std::unique_ptr<core> job)>;

    Downloads(QTreeWidget* transferList, QTreeWidget* libraryList, Settings* settings);
    // Cancels running jobs but does not wait for them (see waitForWorkers):
    // they only ever reach the static queues.
    ~Downloads();
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

    // Starts a transfer of the page at url under title, made safe as a file
    // name. Always true: failures show up in the transfer's row.
    bool download(const std::string& url, const std::string& title);
    std::string findTitle(const std::string& docText);

    // The timer drain: the status texts (at most maxStatusesPerTick) and
    // progress reports queued when it starts. True when anything was applied.
    bool tick();
    // The same at a given time: now says when the drain runs, for telling
    // transfers that have gone quiet.
    bool tick(DLPair::Clock::time_point now);
    static constexpr std::size_t maxStatusesPerTick = 256;
    // A rate cell is worked out again at most this often (in report time),
    // and a running transfer that has reported nothing for stallAfter is
    // taken to have received nothing meanwhile.
    static constexpr std::chrono::milliseconds rateRedrawInterval{500};
    static constexpr std::chrono::milliseconds stallAfter{1000};
    void updateItemStatus(int id, const std::string& status);
    // A library row for a file the transfers made: title, type and folder.
    void addItemToLib(const std::string& title, const std::string& type, const std::string& folder);
    void refresh();

    // Context menu actions on a transfer list row.
    void clearItemFromView(int listID);
    void convert(int listID);
    // Starts converting the movie of the transfer with that id on a worker.
    void helpConvert(int id);
    // Stops the running job of the row; nothing for a row whose job ended.
    void cancel(int listID);
    // Starts a failed or cancelled row's job again in the same row, with the
    // settings of now; nothing for any other row.
    void retry(int listID);

    // Closing: asks every running job to stop, then waits until every
    // worker started here has returned or limit passed (true when none is
    // left). Neither blocks the workers' reports.
    void cancelAll();
    bool waitForWorkers(std::chrono::milliseconds limit);

    void setView(QTreeWidget* replacement);

    // The record of a job id, or null (cleared, retried or never started).
    DownloadItems* item(int id) const;
    // The record shown in a transfer list row, or null.
    DownloadItems* itemAtRow(int listID) const;
    int getRowCount() const { return rowCount; }
    int getNextId() const { return nextId; }

    // Replaces how workers are started (tests keep or refuse the jobs); an
    // empty starter puts back the default one. Only workers of the default
    // starter are counted by waitForWorkers.
    void setWorkerStarter(WorkerStarter starter);
    // Told once each job has ended (its "done" applied), with the record as
    // it then stands: outcome, job kind, title and last status.
    using EndListener = std::function<void(const DownloadItems& record)>;
    void setEndListener(EndListener listener) { onEnded = std::move(listener); }
    // The default starter: a detached thread that counts itself in counter
    // until its job has returned and been destroyed.
    static void startDetachedWorker(std::unique_ptr<core> job,
                                    const std::shared_ptr<WorkerCounter>& counter);
    // The sink of every job: its events onto the status channel.
    static void report(const JobEvent& event);

private:
    void addItemToListBox(int id);
    void showProgress(const DLPair& pair);
    // The rate cell: worked out again from the record's rate at most every
    // rateRedrawInterval; its text, set only when it changes.
    void redrawRate(DownloadItems& record, DLPair::Clock::time_point at);
    void showRate(DownloadItems& record, std::string text);
    void noteStalls(DLPair::Clock::time_point now);
    void settleBar(DownloadItems& record);
    // The job saved a file under fileName (a "(1)" may have been added).
    void takeSavedName(DownloadItems& record, const std::string& fileName);
    void showMessage(const char* text) const;

    // Gives the record the id and token of a job about to start.
    void renew(DownloadItems& record);
    void startTransfer(DownloadItems& record);
    void startConversion(DownloadItems& record);
    // False when no worker could be started.
    bool start(std::unique_ptr<core> job);
    WorkerStarter defaultStarter() const;

    Settings* settings;
    int nextId = 0;
    int rowCount = 0;
    std::map<int, std::unique_ptr<DownloadItems>> items;
    QTreeWidget* transferList;
    QTreeWidget* libraryList;
    // Shared with every worker the default starter starts.
    std::shared_ptr<WorkerCounter> workers;
    WorkerStarter starter;
    EndListener onEnded;
};

#pragma once

#include "StatusChannel.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

class DownloadItems;
class QTreeWidget;
class Settings;
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

    Downloads(QTreeWidget* view, QTreeWidget* view2, Settings* settings);
    ~Downloads();
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

    // Starts a transfer of the page at url under a title not yet used in this
    // run. Always true: failures show up in the transfer's row.
    bool download(const std::string& url, const std::string& title);
    std::string findTitle(const std::string& docText);

    // The timer drain: the status texts (at most maxStatusesPerTick) and
    // progress reports queued when it starts. True when anything was applied.
    bool tick();
    static constexpr std::size_t maxStatusesPerTick = 256;
    void updateItemStatus(int index, const std::string& status);
    void addItemToLib(const std::string& title, const std::string& type);
    void refresh();

    // Context menu actions on a transfer list row.
    void clearItemFromView(int listID);
    void convert(int listID);
    void helpConvert(int index);

    void setView(QTreeWidget* view);

    // The record of a transfer id, or null (cleared or never started).
    DownloadItems* item(int index) const;
    int getRowCount() const { return rowCount; }
    int getNextId() const { return nextId; }

    // Replaces how workers are started (tests keep or refuse the jobs).
    void setWorkerStarter(WorkerStarter starter);
    static void startDetachedWorker(std::unique_ptr<core> job);
    // The sink of every job: its events onto the status channel.
    static void report(const JobEvent& event);

private:
    void addItemToListBox(int index);
    void showProgress(const DLPair& pair);
    std::string uniqueTitle(std::string title);
    DownloadItems* itemAtRow(int listID) const;
    void showMessage(const char* text) const;

    Settings* settings;
    int nextId = 0;
    int rowCount = 0;
    std::map<std::string, bool> usedTitles;
    std::map<int, std::unique_ptr<DownloadItems>> items;
    QTreeWidget* view;
    QTreeWidget* view2;
    WorkerStarter starter;
};

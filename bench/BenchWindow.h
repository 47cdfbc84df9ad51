#pragma once

#include "TickTimes.h"
#include "toolkit/WindowPost.h"
#include "transfers/list/TransferList.h"

#include <QString>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class QObject;
class TransferModel;
class TransferStore;
class TransfersTab;
class WorkRunner;
class Job;

// The window's transfer side without the rest of the window: the transfer
// list kept in transfers.sqlite (XDG_DATA_HOME), its jobs' events posted
// back as queued calls, the model and the Transfers tab, shown offscreen so
// that bars and cells really repaint. As DataFolder wires it.
class BenchWindow {
public:
    // Run: jobs on the runner's workers. Keep: jobs kept, never run; their
    // events are posted by hand through post().
    enum class Jobs { Run, Keep };
    BenchWindow(const std::string& movieFolder, Jobs jobs);
    // Pauses what still runs and gives the workers a moment to stop.
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    TransferList& list() { return *transfers; }
    // Any thread: the event reaches the list as a job's would.
    void post(const JobEvent& event) const;
    // Ids of the kept jobs (Keep), in the order they started.
    std::vector<int> keptJobs() const;

    int rows() const;
    QString status(int row) const;
    int endedRows() const;

    // Runs the window's events every interval until every row ended or
    // limit passed; true when all ended. Each round's applying of the
    // posted events goes into times, the paint that follows into
    // afterTicks(), when times is given.
    bool runUntilEnded(std::chrono::milliseconds interval, std::chrono::milliseconds limit,
                       TickTimes* times);
    void runFor(std::chrono::milliseconds interval, std::chrono::milliseconds span,
                TickTimes* times);
    const TickTimes& afterTicks() const { return paints; }

private:
    // One round, timed when times is given.
    void round(TickTimes* times);

    std::unique_ptr<TransfersTab> tab;
    std::unique_ptr<TransferStore> store;
    std::unique_ptr<WorkRunner> runner;
    std::unique_ptr<QObject> context;
    WindowPost poster;
    std::vector<std::unique_ptr<Job>> kept;
    std::unique_ptr<TransferList> transfers;
    std::unique_ptr<TransferModel> model;
    TickTimes paints;
};

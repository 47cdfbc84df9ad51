#include "BenchWindow.h"

#include "Job.h"
#include "SettingsStore.h"
#include "TransferModel.h"
#include "TransferStore.h"
#include "TransfersTab.h"
#include "WorkRunner.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <filesystem>

BenchWindow::BenchWindow(const std::string& movieFolder, Jobs jobs)
    : tab(std::make_unique<TransfersTab>()), runner(std::make_unique<WorkRunner>()),
      context(std::make_unique<QObject>()), poster(context.get()) {
    std::filesystem::create_directories(SettingsStore::userDataFolder());
    store = std::make_unique<TransferStore>(SettingsStore::userDataFolder() + "transfers.sqlite");
    TransferList::Runner run = TransferList::jobRunner(*runner);
    if (jobs == Jobs::Keep)
        run = [this](std::unique_ptr<Job> job) { kept.push_back(std::move(job)); };
    // On the job's worker thread, as DataFolder's sink.
    auto sink = [this, post = poster](const JobEvent& event) {
        post([this, event] { transfers->apply(event); });
    };
    auto settings = [movieFolder] {
        TransferList::JobSettings now;
        now.movieFolder = movieFolder;
        now.musicFolder = movieFolder;
        // As the window's settings start.
        now.connections = Settings::DefaultConnectionsPerTransfer;
        return now;
    };
    transfers = std::make_unique<TransferList>(store.get(), std::move(run), std::move(sink),
                                               std::move(settings));
    model = std::make_unique<TransferModel>(*transfers);
    tab->setModel(model.get());
    tab->resize(800, 600);
    tab->show();
    QCoreApplication::processEvents();
}

BenchWindow::~BenchWindow() {
    transfers->interruptAll();
    runner->waitUntilNone(std::chrono::seconds(5));
    poster.close();
    context.reset();
    tab.reset();
    model.reset();
    transfers.reset();
}

void BenchWindow::post(const JobEvent& event) const {
    poster([this, event] { transfers->apply(event); });
}

std::vector<int> BenchWindow::keptJobs() const {
    std::vector<int> ids;
    for (const auto& job : kept)
        ids.push_back(job->reporter().id());
    return ids;
}

int BenchWindow::rows() const {
    return static_cast<int>(transfers->size());
}

QString BenchWindow::status(int row) const {
    return model->data(model->index(row, TransferModel::StatusColumn), Qt::DisplayRole).toString();
}

int BenchWindow::endedRows() const {
    int ended = 0;
    for (std::size_t row = 0; row < transfers->size(); ++row)
        ended += transfers->at(row).ended() ? 1 : 0;
    return ended;
}

void BenchWindow::round(TickTimes* times) {
    // The events the workers posted since the last round, then what they
    // caused (painting above all), timed apart.
    const auto before = std::chrono::steady_clock::now();
    const auto cpuBefore = TickTimes::threadCpu();
    QCoreApplication::sendPostedEvents(context.get(), QEvent::MetaCall);
    if (times)
        times->add(std::chrono::steady_clock::now() - before, TickTimes::threadCpu() - cpuBefore);
    const auto paintBefore = std::chrono::steady_clock::now();
    const auto paintCpu = TickTimes::threadCpu();
    QCoreApplication::processEvents();
    if (times)
        paints.add(std::chrono::steady_clock::now() - paintBefore,
                   TickTimes::threadCpu() - paintCpu);
}

bool BenchWindow::runUntilEnded(std::chrono::milliseconds interval, std::chrono::milliseconds limit,
                                TickTimes* times) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < giveUp) {
        round(times);
        if (endedRows() == rows())
            return true;
        QThread::msleep(static_cast<unsigned long>(interval.count()));
    }
    return false;
}

void BenchWindow::runFor(std::chrono::milliseconds interval, std::chrono::milliseconds span,
                         TickTimes* times) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        round(times);
        QThread::msleep(static_cast<unsigned long>(interval.count()));
    }
}

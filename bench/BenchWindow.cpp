#include "BenchWindow.h"

#include "DownloadItems.h"
#include "Downloads.h"
#include "ListView.h"
#include "Settings.h"
#include "SettingsTab.h"
#include "TickTimes.h"

#include <QCoreApplication>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int StatusCell = 2;

} // namespace

BenchWindow::BenchWindow(const std::string& movieFolder) : window(std::make_unique<QWidget>()) {
    auto* layout = new QVBoxLayout(window.get());
    transferList = ListView::create(window.get(), QStringLiteral("listView1"),
                                    {{QStringLiteral("Title"), 300},
                                     {QStringLiteral("Progress"), 200},
                                     {QStringLiteral("Status"), 300},
                                     {QStringLiteral("Speed"), 180}});
    libraryList = ListView::create(window.get(), QStringLiteral("listView2"),
                                   {{QStringLiteral("Title"), 300}, {QStringLiteral("Type"), 80}});
    layout->addWidget(transferList);
    layout->addWidget(libraryList);
    auto* tab = new SettingsTab(window.get()); // owned by the window
    tab->hide();
    settings = std::make_unique<Settings>(tab, libraryList);
    settings->parseLine(std::string(Settings::MOVIE_PATH_TKN) + ";" + movieFolder);
    settings->parseLine(std::string(Settings::MP3_PATH_TKN) + ";" + movieFolder);
    transfers = std::make_unique<Downloads>(transferList, libraryList, settings.get());
    window->resize(800, 600);
    window->show();
    QCoreApplication::processEvents();
}

BenchWindow::~BenchWindow() {
    transfers->cancelAll();
    transfers->waitForWorkers(std::chrono::seconds(5));
}

int BenchWindow::rows() const {
    return ListView::rowCount(transferList);
}

QString BenchWindow::status(int row) const {
    return ListView::cellText(transferList, row, StatusCell);
}

int BenchWindow::endedRows() const {
    int ended = 0;
    for (int row = 0; row < rows(); ++row) {
        const DownloadItems* record = transfers->itemAtRow(row);
        if (record && record->ended())
            ++ended;
    }
    return ended;
}

bool BenchWindow::tickOnce(TickTimes* times) {
    const auto before = std::chrono::steady_clock::now();
    const auto cpuBefore = TickTimes::threadCpu();
    const bool worked = transfers->tick();
    if (times)
        times->add(std::chrono::steady_clock::now() - before, TickTimes::threadCpu() - cpuBefore);
    const auto paintBefore = std::chrono::steady_clock::now();
    const auto paintCpu = TickTimes::threadCpu();
    QCoreApplication::processEvents();
    if (times)
        paints.add(std::chrono::steady_clock::now() - paintBefore,
                   TickTimes::threadCpu() - paintCpu);
    return worked;
}

bool BenchWindow::drainUntilEnded(std::chrono::milliseconds interval,
                                  std::chrono::milliseconds limit, TickTimes* times) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < giveUp) {
        const bool worked = tickOnce(times);
        if (!worked && endedRows() == rows() && Downloads::updates.empty())
            return true;
        QThread::msleep(static_cast<unsigned long>(interval.count()));
    }
    return false;
}

void BenchWindow::drainFor(std::chrono::milliseconds interval, std::chrono::milliseconds span,
                           TickTimes* times) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        tickOnce(times);
        QThread::msleep(static_cast<unsigned long>(interval.count()));
    }
}

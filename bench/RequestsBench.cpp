// quillmoth-bench-requests [COUNT]: the main window, offscreen, its Search
// pane on a local page whose script makes COUNT requests (default 5,000) at
// once. While they run, a 1 ms timer on the window's thread says how late
// the thread gets to its events. Prints key=value lines: the timer's
// lateness idle and under the page, how many requests the pane's watch told
// of, how many sources the pane kept once its checks ended, and the
// process's peak resident set.
#include "BrowserPane.h"
#include "HtmlReader.h"
#include "HttpClient.h"
#include "MainWindow.h"
#include "ProcStatus.h"
#include "ProcessExit.h"
#include "RequestSite.h"
#include "RequestWatch.h"
#include "SearchPage.h"
#include "SearchTab.h"
#include "TickTimes.h"
#include "TimerLateness.h"

#include <QApplication>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs the window's events for span.
void runFor(std::chrono::milliseconds span) {
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

void printLateness(const char* name, const TickTimes& ticks) {
    std::printf("%s_ticks=%zu\n%s_p50_ms=%.3f\n%s_p99_ms=%.3f\n%s_max_ms=%.3f\n"
                "%s_cpu_p99_ms=%.3f\n",
                name, ticks.count(), name, ticks.percentileMs(50), name, ticks.percentileMs(99),
                name, ticks.maxMs(), name, ticks.cpuPercentileMs(99));
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 5000;
    if (count <= 0) {
        std::fputs("usage: quillmoth-bench-requests [COUNT]\n", stderr);
        return 2;
    }
    // As the program's main.
    HttpClient::initGlobal();
    HtmlReader::initOnce();
    std::signal(SIGPIPE, SIG_IGN);
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    RequestSite site(count);

    quillmoth::MainWindow window;
    window.resize(1200, 800);
    window.show();
    SearchTab* search = window.searchTab();
    window.tabs()->setCurrentWidget(search);
    // The pane's first page (the companion site, not running here) ends first.
    {
        QEventLoop loop;
        QObject::connect(search->browser(), &BrowserPane::navigated, &loop, &QEventLoop::quit);
        QTimer::singleShot(10s, &loop, &QEventLoop::quit);
        loop.exec();
    }
    runFor(500ms);

    TimerLateness lateness(1ms);
    lateness.start();
    runFor(1s);
    const TickTimes idle = lateness.stop();
    const long idleKiB = ProcStatus::residentKiB();

    // Counted on whatever thread the engine calls the watch on.
    auto* page = qobject_cast<SearchPage*>(search->browser()->page());
    std::atomic<int> told{0};
    QObject::connect(
        page->requests(), &RequestWatch::mayBeVideo, page->requests(), [&told] { ++told; },
        Qt::DirectConnection);
    std::optional<int> answered;
    QEventLoop loop;
    QObject::connect(page, &QWebEnginePage::titleChanged, &loop, [&](const QString& title) {
        if (!title.startsWith(QLatin1String("done ")))
            return;
        answered = title.mid(5).toInt();
        loop.quit();
    });
    QTimer::singleShot(300s, &loop, &QEventLoop::quit);

    lateness.start();
    const auto began = Clock::now();
    const auto cpuBefore = TickTimes::threadCpu();
    search->browser()->navigate(QString::fromStdString(site.pageUrl()));
    loop.exec();
    const auto cpuSpent = TickTimes::threadCpu() - cpuBefore;
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    const TickTimes busy = lateness.stop();
    // The pane's checks of what its watch told, and its reading of the
    // changed document, end after the page's last request.
    runFor(3s);

    std::printf("requests=%d\nanswered=%d\nseconds=%.3f\nwindow_cpu_ms=%.1f\n", count,
                answered.value_or(-1), seconds,
                std::chrono::duration<double, std::milli>(cpuSpent).count());
    printLateness("late", busy);
    printLateness("idle", idle);
    std::printf("told=%d\nserved_json=%d\nserved_media=%d\nserved_playlists=%d\n", told.load(),
                site.json(), site.media(), site.playlists());
    std::printf("sources=%zu\nidle_kib=%ld\npeak_kib=%ld\n", search->sources().size(), idleKiB,
                ProcStatus::peakKiB());
    std::fflush(stdout);
    // As the program ends: no static destructors under the web engine.
    endProcess(answered ? 0 : 1);
}

// quillmoth-bench-start LAUNCHED_NS HOME_URL SEARCH_URL: starts the way the
// program's main does and says where the time to a shown window goes.
// LAUNCHED_NS is CLOCK_REALTIME in nanoseconds taken just before exec
// (date +%s%N). The two panes are pointed at the bench's own server before
// the event loop runs, so their first loads never leave 127.0.0.1.
// Prints key=value lines, every figure in ms since launch; with transfers in
// the history, how many and how long each frame of scrolling through them
// on the Transfers tab takes.
//
// quillmoth-bench-start seed COUNT: writes COUNT ended transfers into the
// data folder's transfers.sqlite, as a long history would leave them.
#include "BrowserPane.h"
#include "DataFolder.h"
#include "FirstExpose.h"
#include "HomeTab.h"
#include "HttpClient.h"
#include "MainWindow.h"
#include "ProcessExit.h"
#include "SearchTab.h"
#include "SettingsStore.h"
#include "TickTimes.h"
#include "TransferList.h"
#include "TransferStore.h"
#include "TransfersTab.h"

#include <QApplication>
#include <QScrollBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QWebEngineProfile>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// The same instant on the steady clock, from the wall clock one.
Clock::time_point launchedAt(long long launchedNs) {
    const auto wallNow = std::chrono::system_clock::now();
    const auto steadyNow = Clock::now();
    const auto sinceLaunch = wallNow.time_since_epoch() - std::chrono::nanoseconds(launchedNs);
    return steadyNow - std::chrono::duration_cast<Clock::duration>(sinceLaunch);
}

int seed(int count) {
    const std::string folder = SettingsStore::userDataFolder();
    std::filesystem::create_directories(folder);
    TransferStore store(folder + "transfers.sqlite");
    const TransferState ends[] = {TransferState::Done, TransferState::Done, TransferState::Failed,
                                  TransferState::Cancelled};
    for (int i = 1; i <= count; ++i) {
        TransferRecord record;
        record.id = store.newId();
        record.state = ends[i % 4];
        record.title = "Clip number " + std::to_string(i) + " of a long history";
        record.pageUrl = "http://127.0.0.1:1/watch?v=" + std::to_string(i);
        record.movieFolder = folder + "Movies";
        record.musicFolder = folder + "Music";
        record.received = record.total = 1000000 + i;
        if (record.state == TransferState::Done) {
            record.type = "flv";
            record.moviePath = record.movieFolder + "/" + record.title + ".flv";
            record.status = Reason::Downloaded;
        } else if (record.state == TransferState::Failed) {
            record.error = record.status = Reason::SaveFailed;
        } else {
            record.status = Reason::Cancelled;
        }
        record.addedAt = 1700000000 + i;
        record.endedAt = record.addedAt + 30;
        store.save(record);
    }
    store.flush();
    std::printf("seeded=%d\n", count);
    return 0;
}

// Scrolls the Transfers tab from top to bottom a page at a time, each frame
// painted at once.
TickTimes scrollThrough(quillmoth::MainWindow& window) {
    window.tabs()->setCurrentWidget(window.transfersTab());
    QTreeView* view = window.transfersTab()->list();
    // The view lays its rows out on a timer of its own.
    QScrollBar* bar = view->verticalScrollBar();
    for (int i = 0; i < 100 && bar->pageStep() <= 1; ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    TickTimes frames;
    for (int at = 0; at <= bar->maximum(); at += std::max(1, bar->pageStep())) {
        const auto before = Clock::now();
        bar->setValue(at);
        view->viewport()->repaint();
        frames.add(Clock::now() - before);
    }
    return frames;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "seed")
        return seed(std::atoi(argv[2]));
    if (argc != 4) {
        std::fputs("usage: quillmoth-bench-start LAUNCHED_NS HOME_URL SEARCH_URL\n"
                   "       quillmoth-bench-start seed COUNT\n",
                   stderr);
        return 2;
    }
    const Clock::time_point launched = launchedAt(std::atoll(argv[1]));
    const auto ms = [launched](Clock::time_point at) {
        return std::chrono::duration<double, std::milli>(at - launched).count();
    };
    const Clock::time_point mainAt = Clock::now();
    const QUrl homeUrl(QString::fromUtf8(argv[2]));
    const QUrl searchUrl(QString::fromUtf8(argv[3]));

    HttpClient::initGlobal();
    std::signal(SIGPIPE, SIG_IGN);
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    const Clock::time_point appAt = Clock::now();
    QWebEngineProfile::defaultProfile();
    const Clock::time_point profileAt = Clock::now();

    FirstExpose expose;
    app.installEventFilter(&expose);
    std::optional<Clock::time_point> homeAt;
    std::optional<TickTimes> scrolled;
    bool homeOk = false;
    {
        quillmoth::MainWindow window;
        const Clock::time_point formAt = Clock::now();
        BrowserPane* home = window.homeTab()->browser();
        QObject::connect(home, &QWebEngineView::loadFinished, &app, [&](bool ok) {
            if (homeAt || home->url().port() != homeUrl.port())
                return;
            homeAt = Clock::now();
            homeOk = ok;
            // Once the window is also shown there is nothing left to see.
            QTimer::singleShot(expose.at() ? 0 : 200, &app, [&] {
                // Quitting closes the window: the history is scrolled first.
                if (window.dataFolder()->transfers().size() > 0)
                    scrolled = scrollThrough(window);
                QApplication::quit();
            });
        });
        home->navigate(homeUrl.toString());
        window.searchTab()->browser()->navigate(searchUrl.toString());
        window.show();
        const Clock::time_point showAt = Clock::now();
        QTimer::singleShot(30000, &app, &QApplication::quit);
        app.exec();

        std::printf("main_ms=%.1f\nqapplication_ms=%.1f\nprofile_ms=%.1f\nform1_ms=%.1f\n"
                    "show_ms=%.1f\n",
                    ms(mainAt), ms(appAt), ms(profileAt), ms(formAt), ms(showAt));
        std::printf("exposed_ms=%.1f\n", expose.at() ? ms(*expose.at()) : -1.0);
        std::printf("home_loaded_ms=%.1f\nhome_ok=%d\n", homeAt ? ms(*homeAt) : -1.0,
                    homeOk ? 1 : 0);
        std::printf("transfers=%zu\n", window.dataFolder()->transfers().size());
        if (scrolled)
            std::printf("scroll_frames=%zu\nscroll_p50_ms=%.2f\nscroll_p99_ms=%.2f\n",
                        scrolled->count(), scrolled->percentileMs(50), scrolled->percentileMs(99));
        // As the program ends: no static destructors under the web engine.
        endProcess(0);
    }
}

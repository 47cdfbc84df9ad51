// quillmoth-bench-start LAUNCHED_NS HOME_URL SEARCH_URL: starts the way the
// program's main does and says where the time to a shown window goes.
// LAUNCHED_NS is CLOCK_REALTIME in nanoseconds taken just before exec
// (date +%s%N). The two panes are pointed at the bench's own server before
// the event loop runs, so their first loads never leave 127.0.0.1.
// Prints key=value lines, every figure in ms since launch.
#include "BrowserPane.h"
#include "FirstExpose.h"
#include "Form1.h"
#include "HomeTab.h"
#include "ProcessExit.h"
#include "SearchTab.h"

#include <QApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEngineProfile>

#include <curl/curl.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// The same instant on the steady clock, from the wall clock one.
Clock::time_point launchedAt(long long launchedNs) {
    const auto wallNow = std::chrono::system_clock::now();
    const auto steadyNow = Clock::now();
    const auto sinceLaunch = wallNow.time_since_epoch() - std::chrono::nanoseconds(launchedNs);
    return steadyNow - std::chrono::duration_cast<Clock::duration>(sinceLaunch);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: quillmoth-bench-start LAUNCHED_NS HOME_URL SEARCH_URL\n", stderr);
        return 2;
    }
    const Clock::time_point launched = launchedAt(std::atoll(argv[1]));
    const auto ms = [launched](Clock::time_point at) {
        return std::chrono::duration<double, std::milli>(at - launched).count();
    };
    const Clock::time_point mainAt = Clock::now();
    const QUrl homeUrl(QString::fromUtf8(argv[2]));
    const QUrl searchUrl(QString::fromUtf8(argv[3]));

    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::signal(SIGPIPE, SIG_IGN);
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    const Clock::time_point appAt = Clock::now();
    QWebEngineProfile::defaultProfile();
    const Clock::time_point profileAt = Clock::now();

    FirstExpose expose;
    app.installEventFilter(&expose);
    std::optional<Clock::time_point> homeAt;
    bool homeOk = false;
    {
        Bramblet::Form1 window;
        const Clock::time_point formAt = Clock::now();
        BrowserPane* home = window.homeTab()->browser();
        QObject::connect(home, &QWebEngineView::loadFinished, &app, [&](bool ok) {
            if (homeAt || home->url().port() != homeUrl.port())
                return;
            homeAt = Clock::now();
            homeOk = ok;
            // Once the window is also shown there is nothing left to see.
            QTimer::singleShot(expose.at() ? 0 : 200, &app, &QApplication::quit);
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
        // As the program ends: no static destructors under the web engine.
        endProcess(0);
    }
}

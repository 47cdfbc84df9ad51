// Quillmoth: downloads videos from watch pages, converts them to MP3 and
// plays them. `quillmoth [URL...]` queues a download of each watch page; a
// second start hands its addresses to the window already running.
#include "app/desktop/InstanceServer.h"
#include "app/desktop/ProcessExit.h"
#include "app/desktop/Translations.h"
#include "app/session/UnheldDataFolder.h"
#include "app/window/MainWindow.h"
#include "base/StandardDescriptors.h"
#include "http/HttpClient.h"
#include "page/HtmlReader.h"
#include "settings/SettingsStore.h"
#include "toolkit/BrowserPane.h"
#include "toolkit/MessageBox.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <cstdio>

namespace {

// How long a second start waits for the window holding the data folder,
// which may still be starting or closing.
constexpr int HandOverWaitMs = 10000;

// Wayland may keep the focus where it is; that is its choice.
void bringForward(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

// True when this process should open the window, for the addresses left;
// false when the window holding the data folder took them all. Exits when
// that window does not answer, or when the folder cannot be locked and the
// window may not open without it; a message box says why.
bool becomeWindow(InstanceServer& instance, QStringList& addresses) {
    const QDeadlineTimer deadline(HandOverWaitMs);
    for (;;) {
        switch (instance.becomePrimary()) {
        case InstanceServer::Claim::Taken:
            return true;
        case InstanceServer::Claim::Failed: {
            std::fprintf(stderr, "%s\n", qPrintable(instance.failure()));
            const UnheldDataFolder unheld(QString::fromStdString(SettingsStore::userDataFolder()),
                                          instance.failure());
            MessageBox::show(unheld.text());
            if (!unheld.windowMayOpen())
                endProcess(1);
            return true;
        }
        case InstanceServer::Claim::Held:
            break;
        }
        // A window that is closing does not listen; it is gone soon after,
        // and this start becomes the next one.
        if (instance.handOver(addresses, int(deadline.remainingTime())))
            return false;
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "quillmoth: the window using %s does not answer\n",
                         SettingsStore::userDataFolder().c_str());
            MessageBox::show(UnheldDataFolder::unanswered(
                QString::fromStdString(SettingsStore::userDataFolder())));
            endProcess(1);
        }
        QThread::msleep(50);
    }
}

} // namespace

int main(int argc, char** argv) {
    // A closed stdout must not become a movie's or the store's file.
    if (!fillStandardDescriptors())
        return 1;
    // Before any thread: libcurl's global set-up is not thread-safe.
    // Should it fail, each transfer says so as it fails.
    HttpClient::initGlobal();
    // libxml2 too, before any thread reads a page.
    HtmlReader::initOnce();
    // A peer that hangs up must fail a transfer, not kill the program.
    std::signal(SIGPIPE, SIG_IGN);
    catchTerminateSignals();
    prepareWebEngineEnvironment();
    {
        QApplication app(argc, argv);
        // Wayland matches the window to its desktop entry by this name.
        QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMOTH_APP_ID));
        // Dialogs are captioned with the program's name, not its file's.
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmoth"));
        // The desktop's language (LANGUAGE, LANG), English when there is no translation for it.
        const Translations translations;
        QStringList addresses = QApplication::arguments().mid(1);
        InstanceServer instance(QString::fromStdString(SettingsStore::userDataFolder()));
        // From here a signal ends any dialog, the start-up's messages too
        // (why the data folder cannot be held), and closes the window
        // without a question, once there is one.
        QPointer<quillmoth::MainWindow> built;
        bool terminated = false;
        closeOnTerminate(&instance, [&] {
            terminated = true;
            if (built)
                built->closeWithoutAsking();
            else
                MessageBox::endAll();
        });
        if (!becomeWindow(instance, addresses))
            endProcess(0);
        quillmoth::MainWindow window;
        built = &window;
        QObject::connect(&window, &quillmoth::MainWindow::closing, &instance,
                         [&](bool closing) { instance.setListening(!closing); });
        QObject::connect(&instance, &InstanceServer::addressesReceived, &window,
                         [&](const QStringList& more) { window.takeAddresses(more); });
        QObject::connect(&instance, &InstanceServer::raiseRequested, &window,
                         [&] { bringForward(window); });
        // Addresses handed over while the window was being built come after
        // the command line's.
        window.takeAddresses(addresses);
        instance.deliver();
        if (terminated) {
            window.closeWithoutAsking();
        } else {
            window.show();
            app.exec();
        }
    }
    // Workers of unfinished transfers are never joined; see endProcess.
    endProcess(0);
}

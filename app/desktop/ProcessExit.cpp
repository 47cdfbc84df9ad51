#include "app/desktop/ProcessExit.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// Runs in the signal handler: only async-signal-safe calls.
void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

} // namespace

void catchTerminateSignals() {
    if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void closeOnTerminate(QObject* window, std::function<void()> close) {
    catchTerminateSignals();
    if (signalPipe[0] < 0)
        return;
    // The notifier lives with the window and fires on the window's thread.
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [close = std::move(close)] {
        char buffer[16];
        while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        // The connection ends with the window, so it is still there.
        close();
    });
}

void endProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

#pragma once

#include <functional>

class QObject;

// SIGTERM and SIGINT run close on window's thread, so the same orderly
// shutdown runs as when the user closes the window (session logout, Ctrl+C in
// a terminal), without any question. Catching starts early; a signal that
// arrives before the window exists closes it as soon as closeOnTerminate is
// called. close is not called once window is gone.
void catchTerminateSignals();
void closeOnTerminate(QObject* window, std::function<void()> close);

// Ends the process with `code` once the window is gone. Detached transfer
// workers may still be inside libcurl or writing their files; running the
// static destructors and atexit handlers under them could crash, so those
// are skipped and only the C streams are flushed.
[[noreturn]] void endProcess(int code);

#pragma once

class QWidget;

// SIGTERM and SIGINT close the window the way the user would, so the same
// orderly shutdown runs (session logout, Ctrl+C in a terminal). Catching
// starts early; a signal that arrives before the window exists closes it as
// soon as closeOnTerminate is called.
void catchTerminateSignals();
void closeOnTerminate(QWidget* window);

// Ends the process with `code` once the window is gone. Detached transfer
// workers may still be inside libcurl or writing their files; running the
// static destructors and atexit handlers under them could crash, so those
// are skipped and only the C streams are flushed.
[[noreturn]] void endProcess(int code);

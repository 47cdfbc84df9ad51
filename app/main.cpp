// Quillmoth: downloads videos from watch pages, converts them to MP3 and
// plays them.
#include "BrowserPane.h"
#include "Form1.h"
#include "ProcessExit.h"
#include "StandardDescriptors.h"

#include <QApplication>

#include <curl/curl.h>

#include <csignal>

int main(int argc, char** argv) {
    // A closed stdout must not become a movie's or the store's file.
    if (!fillStandardDescriptors())
        return 1;
    // Before any thread: libcurl's global set-up is not thread-safe.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // A peer that hangs up must fail a transfer, not kill the program.
    std::signal(SIGPIPE, SIG_IGN);
    catchTerminateSignals();
    prepareWebEngineEnvironment();
    {
        QApplication app(argc, argv);
        Bramblet::Form1 window;
        closeOnTerminate(&window);
        window.show();
        app.exec();
    }
    // Workers of unfinished transfers are never joined; see endProcess.
    endProcess(0);
}

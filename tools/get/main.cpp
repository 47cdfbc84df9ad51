#include "GetCommand.h"
#include "HtmlReader.h"
#include "HttpClient.h"
#include "StandardDescriptors.h"
#include "StopSignals.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    // A closed stdout would otherwise become the movie's temporary file.
    if (!fillStandardDescriptors())
        return 1;
    std::signal(SIGPIPE, SIG_IGN);

    GetCommand::Options options;
    std::string error;
    switch (GetCommand::parse(argc, argv, options, error)) {
    case GetCommand::Parsed::Help:
        std::fputs(GetCommand::usage().c_str(), stdout);
        return 0;
    case GetCommand::Parsed::Version:
        std::puts(GetCommand::version().c_str());
        return 0;
    case GetCommand::Parsed::Usage:
        std::fprintf(stderr, "quillmoth-get: %s\n\n%s", error.c_str(), GetCommand::usage().c_str());
        return 2;
    case GetCommand::Parsed::Run:
        break;
    }

    // libxml2 before any thread reads a page.
    HtmlReader::initOnce();
    if (!HttpClient::initGlobal()) {
        std::fputs("quillmoth-get: libcurl could not be initialised\n", stderr);
        return 1;
    }
    auto cancel = std::make_shared<CancelToken>();
    // With --continue a stop keeps the part file for the next run.
    StopSignals::install(cancel, options.resume);
    int status =
        options.list ? GetCommand::list(options, cancel.get()) : GetCommand::run(options, cancel);
    HttpClient::cleanupGlobal();
    if (status == GetCommand::Cancelled) {
        // The shell's convention for a process ended by a signal.
        status = 128 + (StopSignals::caught() ? StopSignals::caught() : SIGTERM);
    }
    return status;
}

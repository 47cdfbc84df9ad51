// Reading a hostile watch page: a stream map of two-byte entries filling
// MIB mebibytes. Prints the time PageTitle::find and StreamChoice::inPage
// take and how far the resident set rose above the page itself, one process
// per size (the peak is the process's).
//
//   quillmoth-bench-page MIB
#include "ProcStatus.h"
#include "page/PageTitle.h"
#include "page/StreamChoice.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const long mib = argc == 2 ? std::atol(argv[1]) : 0;
    if (mib <= 0) {
        std::fprintf(stderr, "usage: quillmoth-bench-page MIB\n");
        return 2;
    }
    const long before = ProcStatus::residentKiB();

    // The headline after the map: finding it takes a pass over the whole page.
    const std::string head = "<html><p>fmt_url_map=5|http://127.0.0.1/a.flv,";
    const std::string tail = "z&amp;</p><h1 id=\"watch-headline-title\"><b>Map</b></h1></html>";
    const std::size_t bytes = static_cast<std::size_t>(mib) << 20;
    std::string page;
    page.reserve(bytes);
    page += head;
    while (page.size() + tail.size() + 2 <= bytes)
        page += "x,";
    page += tail;
    {
        const long withPage = ProcStatus::residentKiB();

        // A job without a title reads the headline first, then the map.
        const auto start = std::chrono::steady_clock::now();
        const auto title = PageTitle::find(page);
        const auto titled = std::chrono::steady_clock::now();
        const StreamChoice stream = StreamChoice::inPage(page, 1, "http://127.0.0.1/watch");
        const auto end = std::chrono::steady_clock::now();
        const std::chrono::duration<double> titleTook = titled - start;
        const std::chrono::duration<double> took = end - titled;

        std::printf("page_mib=%ld\nfound=%d\nstreams=%zu\ntitle=%s\n", mib, stream.found() ? 1 : 0,
                    stream.count, title.value_or("<none>").c_str());
        std::printf("title_seconds=%.3f\nseconds=%.3f\n", titleTook.count(), took.count());
        std::printf("page_kib=%ld\nabove_page_kib=%ld\npeak_kib=%ld\n", withPage - before,
                    ProcStatus::peakKiB() - withPage, ProcStatus::peakKiB());
    }
    return 0;
}

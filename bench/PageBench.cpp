// Reading a hostile watch page: a stream map of two-byte entries filling
// MIB mebibytes. Prints the time findTitle and chooseStream take and how far
// the resident set rose above the page itself, one process per size (the
// peak is the process's).
//
//   quillmoth-bench-page MIB
#include "DownloadJob.h"
#include "ProcStatus.h"

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
    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURL* curl = curl_easy_init();
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
        JobOptions options;
        options.pageUrl = "http://127.0.0.1/watch";
        options.quality = 1;
        DownloadJob job(options, 1, {});
        job.pageText = std::move(page);
        const long withPage = ProcStatus::residentKiB();

        // A job without a title reads the headline first, then the map.
        const auto start = std::chrono::steady_clock::now();
        const auto title = DownloadJob::findTitle(job.pageText);
        const auto titled = std::chrono::steady_clock::now();
        const bool found = job.chooseStream(curl);
        const auto end = std::chrono::steady_clock::now();
        const std::chrono::duration<double> titleTook = titled - start;
        const std::chrono::duration<double> took = end - titled;

        std::printf("page_mib=%ld\nfound=%d\nstreams=%d\ntitle=%s\n", mib, found ? 1 : 0,
                    job.streamCount, title.value_or("<none>").c_str());
        std::printf("title_seconds=%.3f\nseconds=%.3f\n", titleTook.count(), took.count());
        std::printf("page_kib=%ld\nabove_page_kib=%ld\npeak_kib=%ld\n", withPage - before,
                    ProcStatus::peakKiB() - withPage, ProcStatus::peakKiB());
    }
    curl_easy_cleanup(curl);
    curl_global_cleanup();
    return 0;
}

// Reading the sources of today's page forms (PageSources): a typical page
// of MIB mebibytes (a player, its sources, Open Graph and JSON-LD among
// paragraphs of text), or a hostile one (50,000 <source> elements and a
// 10 MB JSON-LD block in 60 MB). Prints the time the reading took and how
// far the resident set rose above the page itself.
//
//   quillmoth-bench-sources typical MIB | hostile
#include "ProcStatus.h"
#include "page/PageSources.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string typicalPage(std::size_t bytes) {
    std::string page;
    page.reserve(bytes + 4096);
    page += "<!DOCTYPE html><html><head><title>A clip</title>"
            "<meta property=\"og:video\" content=\"https://cdn.example/og.mp4\">"
            "<script type=\"application/ld+json\">{\"@type\":\"VideoObject\",\"name\":\"A clip\","
            "\"contentUrl\":\"/ld.mp4\"}</script></head><body><video width=\"1280\">"
            "<source src=\"/360.mp4\" type=\"video/mp4\" size=\"360\">"
            "<source src=\"/720.mp4\" type=\"video/mp4\" size=\"720\"></video>";
    const std::string paragraph =
        "<div class=\"comment\"><a href=\"/user/1\">someone</a><p>Words about the clip, "
        "<b>bold</b> and <i>not</i>, with &amp; entities &#233; here.</p></div>\n";
    while (page.size() + paragraph.size() < bytes)
        page += paragraph;
    page += "</body></html>";
    return page;
}

std::string hostilePage() {
    // Made in place: the peak of the resident set is the reading's.
    std::string page;
    page.reserve((std::size_t{60} << 20) + 4096);
    page += "<html><head><script type=\"application/ld+json\">{\"@graph\":[";
    while (page.size() < (std::size_t{10} << 20))
        page += "{\"@type\":\"VideoObject\",\"contentUrl\":\"/x.mp4\"},";
    page += "{}]}</script></head><body><video>";
    for (int i = 0; i < 50000; ++i)
        page += "<source src=\"/s" + std::to_string(i) + ".mp4\" type=\"video/mp4\">";
    page += "</video>";
    while (page.size() < (std::size_t{60} << 20))
        page += "<p>filler text that is neither media nor markup of interest</p>\n";
    page += "</body></html>";
    return page;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    const long mib = argc == 3 ? std::atol(argv[2]) : 0;
    if (!(mode == "hostile" && argc == 2) && !(mode == "typical" && mib > 0)) {
        std::fprintf(stderr, "usage: quillmoth-bench-sources typical MIB | hostile\n");
        return 2;
    }
    const long before = ProcStatus::residentKiB();
    const std::string page =
        mode == "hostile" ? hostilePage() : typicalPage(static_cast<std::size_t>(mib) << 20);
    const long withPage = ProcStatus::residentKiB();
    const auto start = std::chrono::steady_clock::now();
    const PageSources found = PageSources::read(page, "http://127.0.0.1/watch");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("page_bytes=%zu\nsources=%zu\nseconds=%.3f\n", page.size(), found.sources.size(),
                took.count());
    std::printf("page_kib=%ld\nabove_page_kib=%ld\n", withPage - before,
                ProcStatus::peakKiB() - withPage);
    return 0;
}

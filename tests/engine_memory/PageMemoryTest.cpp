// Memory of reading hostile pages, counted at operator new. A binary of its
// own: the counting operator new below replaces the global one.
#include "CurlHandle.h"
#include "core.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

void counted(void* p) {
    const std::size_t now = inUse += malloc_usable_size(p);
    std::size_t seen = peak;
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

// How far the bytes in use rose above where they stood while f ran.
template <typename F> std::size_t growth(F&& f) {
    const std::size_t before = inUse;
    peak = before;
    f();
    return peak - before;
}

constexpr std::size_t kPageBytes = std::size_t{16} << 20;
constexpr std::size_t kAllowance = std::size_t{1} << 20;

std::string filled(std::string head, const char* unit, std::string tail) {
    std::string page;
    page.reserve(kPageBytes + head.size() + tail.size());
    page += head;
    while (page.size() < kPageBytes)
        page += unit;
    page += tail;
    return page;
}

} // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    counted(p);
    return p;
}

void operator delete(void* p) noexcept {
    if (p)
        inUse -= malloc_usable_size(p);
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

// Millions of tiny entries, one huge entry or a huge headline: reading the
// page costs no copy of it and nothing per entry.
TEST(PageMemory, ReadingAHostilePageCostsNoMoreThanThePage) {
    const std::string head = "<h1 id=\"watch-headline-title\"><b>";
    const std::string pages[] = {
        filled(head + "T</b></h1>fmt_url_map=", "x,", "5|http://h/a.flv"),
        filled(head + "T</b></h1>fmt_url_map=5%7Chttp://h/", "a", "&amp;"),
        filled(head, "Tom &amp; Jerry \xE2\x80\xAE ", "</b></h1>fmt_url_map=5|http://h/a"),
    };
    CurlHandle curl;
    for (const std::string& page : pages) {
        JobOptions options;
        options.pageUrl = "http://h/watch";
        core job(options, 1, {});
        job.pageText = page;
        EXPECT_LE(growth([&] { job.findDetails(curl.get()); }), kAllowance);
        EXPECT_GE(job.streamCount, 1);

        std::string copy = page;
        std::optional<std::string> title;
        EXPECT_LE(growth([&] { title = core::findTitle(std::move(copy)); }), kAllowance);
        EXPECT_TRUE(title.has_value());
    }
}

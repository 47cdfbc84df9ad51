// Memory of reading hostile pages, counted at operator new, which this binary
// replaces for itself.
#include "page/PageTitle.h"
#include "page/StreamChoice.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

// How far the bytes in use rose while f ran.
template <typename F> std::size_t growth(F&& f) {
    const std::size_t before = peak = inUse.load();
    f();
    return peak - before;
}

} // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    const std::size_t now = inUse += malloc_usable_size(p);
    for (std::size_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
    return p;
}

void operator delete(void* p) noexcept {
    inUse -= p ? malloc_usable_size(p) : 0;
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

// Millions of tiny entries, one huge entry or a huge headline: no copy of
// the page and nothing per entry.
TEST(PageMemory, ReadingAHostilePageCostsNoMoreThanThePage) {
    const std::string head = "<h1 id=\"watch-headline-title\"><b>T";
    const std::string parts[][3] = {{head + "</b></h1>fmt_url_map=", "x,", "5|http://h/a.flv"},
                                    {head + "</b></h1>fmt_url_map=5%7Chttp://h/", "a", "&amp;"},
                                    {head, "Tom &amp; Jerry \u202E ", "</b></h1>fmt_url_map=5|a"}};
    for (const auto& [start, unit, end] : parts) {
        std::string page = start;
        while (page.size() < (std::size_t{16} << 20))
            page += unit;
        page += end;
        std::string decoded = page;
        EXPECT_LE(
            growth([&] { EXPECT_TRUE(StreamChoice::inPage(decoded, 4, "http://h/").found()); }),
            1u << 20);
        EXPECT_LE(growth([&] { EXPECT_TRUE(PageTitle::find(page)); }), 1u << 20);
    }
}

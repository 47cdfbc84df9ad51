#include "http/detail/HttpFetch.h"
#include "JobRecorder.h"
#include "Trickle.h"
#include "base/CancelToken.h"
#include "files/StagedFile.h"
#include "http/AddressSpace.h"
#include "http/HttpClient.h"
#include "http/SpeedLimit.h"
#include "http/detail/MovieWriteContext.h"
#include "http/detail/PageBuffer.h"
#include "http/detail/RangeRequest.h"
#include "jobs/DownloadJob.h"
#include "jobs/JobOptions.h"
#include "jobs/MovieBody.h"
#include "jobs/MovieDownload.h"
#include "support/FixtureServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

namespace {

using namespace enginetest;
using namespace std::chrono_literals;

TEST(HttpFetchTest, PageWriterAppendsWithinTheBound) {
    std::string text;
    PageBuffer page{text, 10};
    char data[] = "abcdefghijkl";
    EXPECT_EQ(HttpFetch::pageWriter(data, 2, 3, &page), 6u);
    EXPECT_EQ(HttpFetch::pageWriter(data, 1, 4, &page), 4u);
    EXPECT_EQ(text, "abcdefabcd");
    EXPECT_FALSE(page.tooLarge);
    // One byte over the bound: nothing is taken, so libcurl ends the
    // transfer, and the page is known to be too large.
    EXPECT_EQ(HttpFetch::pageWriter(data, 1, 1, &page), 0u);
    EXPECT_EQ(text, "abcdefabcd");
    EXPECT_TRUE(page.tooLarge);
    EXPECT_EQ(HttpFetch::pageWriter(data, 1, 1, nullptr), 0u);
}

TEST(HttpFetchTest, MovieCallbacksReportFailuresAndProgress) {
    TempDir dir;
    const int id = JobRecorder::nextId();
    auto cancel = std::make_shared<CancelToken>();
    JobOptions options;
    options.movieFolder = dir.path();
    const JobReporter reporter(id, &JobRecorder::record, cancel);
    MovieDownload download(options, reporter, "m", ".flv");
    StagedFile& file = download.movie().file();
    MovieBody body(download.movie(), download);
    RangeRequest range;
    MovieWriteContext transfer{body, range, "http://127.0.0.1/m"};
    char data[] = "0123456789";
    // No file open: the chunk is not taken, though the answer was.
    EXPECT_EQ(HttpFetch::movieWriter(data, 1, 10, &transfer), 0u);
    EXPECT_TRUE(transfer.begun && !transfer.refused);
    ASSERT_EQ(file.open(), StagedFile::Opened::Ok);
    EXPECT_EQ(HttpFetch::movieWriter(data, 2, 5, &transfer), 10u);

    // Progress counts what the writer took, not what libcurl received (a
    // transfer held for the speed limit keeps some in memory).
    EXPECT_EQ(HttpFetch::movieProgress(&transfer, 0, 0, 7, 7), 0);
    transfer.taken = 4000000000LL;
    EXPECT_EQ(HttpFetch::movieProgress(&transfer, 5000000000LL, 4100000000LL, 0, 0), 0);
    const std::vector<std::pair<double, double>> expected = {{0, 10}, {5e9, 4e9}};
    EXPECT_EQ(JobRecorder::progressOf(id), expected);
    // Once cancelled, the next progress call stops the transfer.
    cancel->cancel();
    EXPECT_NE(HttpFetch::movieProgress(&transfer, 0, 0, 0, 0), 0);
}

TEST(HttpFetchTest, PageFetchKeepsOnlyTheBody) {
    FixtureServer srv;
    srv.body("/empty", "");
    srv.get("/headers", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Marker", "header-text");
        res.set_content("body-text", "text/plain");
    });
    srv.redirect("/hop", "/headers");

    for (const char* path : {"/empty", "/hop"}) {
        SCOPED_TRACE(path);
        std::string text;
        EXPECT_TRUE(HttpClient::fetchPage(HttpRequest::page(srv.url(path), {}), text).ok());
        EXPECT_EQ(text, path == std::string("/empty") ? "" : "body-text");
    }
    // A library that cannot make a handle asks nothing; the address stays.
    FetchBounds none;
    none.mayMakeHandle = [] { return false; };
    std::string text;
    const HttpResponse refused =
        HttpClient::fetchPage(HttpRequest::page(srv.url("/hop"), none), text);
    EXPECT_EQ(refused.failure, HttpResponse::Failure::NoHandle);
    EXPECT_EQ(refused.address, srv.url("/hop"));
    EXPECT_EQ(srv.hits("/hop"), 1);
}

// A page fetch that may meet media stops at the first bytes of a media
// answer (by type or signature) without reading it, even past the page's
// size bound; pages are read as ever. What a browser would send goes with
// every request: the cookies an earlier answer set, the Referer, the user
// agent.
TEST(HttpFetchTest, MediaIsNotReadAsAPageAndRequestsCarryWhatABrowserSends) {
    FixtureServer srv;
    srv.body("/clip", std::string(3 << 20, '\x01'), "video/mp4");
    srv.body("/untyped", "FLV\x01\x05" + std::string(100000, '\x02'), "application/octet-stream");
    srv.body("/page", "<html>page</html>");
    srv.get("/login", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=s3cret; Path=/");
        res.set_content("<html>in</html>", "text/html");
    });
    const HttpRequest::MediaTest isMedia = [](std::string_view type, std::string_view first) {
        return type.rfind("video/", 0) == 0 || first.rfind("FLV", 0) == 0;
    };
    JobOptions options;
    options.maxPageBytes = 1 << 20;
    for (const char* path : {"/clip", "/untyped", "/page"}) {
        SCOPED_TRACE(path);
        std::string text;
        HttpRequest request = HttpRequest::page(srv.url(path), options);
        request.isMedia = isMedia;
        const HttpResponse answer = HttpClient::fetchPage(request, text);
        EXPECT_TRUE(answer.ok());
        EXPECT_EQ(answer.media, path != std::string("/page"));
        EXPECT_LT(text.size(), 100u);
    }

    std::string text;
    const HttpResponse first =
        HttpClient::fetchPage(HttpRequest::page(srv.url("/login"), options), text);
    ASSERT_TRUE(first.ok());
    options.cookies = first.cookies;
    options.referer = srv.url("/login");
    options.userAgent = "Mozilla/5.0 (X11; Linux x86_64) Quillmoth";
    ASSERT_TRUE(HttpClient::fetchPage(HttpRequest::page(srv.url("/page"), options), text).ok());
    EXPECT_EQ(srv.lastHeader("/page", "Cookie"), "session=s3cret");
    EXPECT_EQ(srv.lastHeader("/page", "Referer"), srv.url("/login"));
    EXPECT_EQ(srv.lastHeader("/page", "User-Agent"), options.userAgent);
}

// A fetch bounded to a network connects to no address more private than
// it, whatever the name or redirect that led there; hosts tell their space
// by their address alone.
TEST(HttpFetchTest, ABoundedFetchNeverConnectsBeyondItsNetwork) {
    using Space = NetworkSpace;
    const std::pair<const char*, std::optional<Space>> hosts[] = {
        {"127.0.0.9", Space::Local},      {"::ffff:127.0.0.1", Space::Local},
        {"Cam.LocalHost.", Space::Local}, {"[::1]", Space::Local},
        {"10.1.2.3", Space::Private},     {"172.31.255.255", Space::Private},
        {"192.168.1.1", Space::Private},  {"169.254.169.254", Space::Private},
        {"fd00::2", Space::Private},      {"fe80::1%eth0", Space::Private},
        {"172.32.0.1", Space::Public},    {"2001:db8::1", Space::Public},
        {"2130706433", std::nullopt}};
    for (const auto& [host, space] : hosts)
        EXPECT_EQ(AddressSpace::ofHost(host), space) << host;

    FixtureServer srv;
    srv.body("/page", "<html>page</html>");
    const std::string named = "http://localhost:" + std::to_string(srv.port()) + "/page";
    for (const std::string& url : {srv.url("/page"), named}) {
        std::string text;
        FetchBounds bounds;
        bounds.reach = Space::Private;
        EXPECT_FALSE(HttpClient::fetchPage(HttpRequest::page(url, bounds), text).ok()) << url;
        bounds.reach = Space::Local;
        EXPECT_TRUE(HttpClient::fetchPage(HttpRequest::page(url, bounds), text).ok()) << url;
    }
    EXPECT_EQ(srv.hits("/page"), 2);
}

// The page's progress callback ends the fetch once its deadline passed,
// unless it was lifted (a body found to be a movie may take its time), and
// when its token is cancelled.
TEST(HttpFetchTest, PageProgressKeepsTheDeadlineUnlessLifted) {
    std::string text;
    PageBuffer page{text, 10};
    EXPECT_EQ(HttpFetch::pageProgress(&page, 0, 0, 0, 0), 0);
    page.deadline = Deadline::after(1h);
    EXPECT_EQ(HttpFetch::pageProgress(&page, 0, 0, 0, 0), 0);
    page.deadline = Deadline::after(1ms, Deadline::Clock::now() - 1s);
    EXPECT_NE(HttpFetch::pageProgress(&page, 0, 0, 0, 0), 0);
    EXPECT_TRUE(page.deadlinePassed);

    page.deadlinePassed = false;
    page.deadline.lift();
    EXPECT_EQ(HttpFetch::pageProgress(&page, 0, 0, 0, 0), 0);
    EXPECT_FALSE(page.deadlinePassed);
    CancelToken cancel;
    page.cancel = &cancel;
    cancel.cancel();
    EXPECT_NE(HttpFetch::pageProgress(&page, 0, 0, 0, 0), 0);
    EXPECT_FALSE(page.deadlinePassed);
    EXPECT_EQ(HttpFetch::pageProgress(nullptr, 0, 0, 0, 0), 0);
    // No deadline, or a negative one: never passes.
    EXPECT_FALSE(Deadline::after(0s).passed(Deadline::Clock::now() + 24h));
    EXPECT_FALSE(Deadline::after(-1s).set());
}

// A page or a picture that trickles (16 bytes a second, never stalled)
// ends at its deadline with its own answer; a page within it is taken.
TEST(HttpFetchTest, APageThatTricklesEndsAtItsDeadline) {
    FixtureServer srv;
    trickle(srv, "/slow", "<html><head><title>Slow</title>", "text/html");
    trickle(srv, "/picture", "\x89PNG\r\n\x1a\n", "image/png");
    trickle(srv, "/brief", "<html>", "text/html", 1);
    JobOptions options;
    options.pageDeadlineSeconds = 1;
    options.pictureDeadlineSeconds = 1;
    for (const char* path : {"/slow", "/picture"}) {
        SCOPED_TRACE(path);
        std::string text;
        HttpRequest request = HttpRequest::page(srv.url(path), options);
        if (path == std::string("/picture")) {
            request.maxBytes = 4096;
            request.deadlineSeconds = options.pictureDeadlineSeconds;
        }
        EXPECT_EQ(HttpClient::fetchPage(request, text).failure,
                  HttpResponse::Failure::DeadlinePassed);
    }
    // A page that ends within its deadline (here 30 s) is whole.
    options.pageDeadlineSeconds = 30;
    std::string text;
    EXPECT_TRUE(HttpClient::fetchPage(HttpRequest::page(srv.url("/brief"), options), text).ok());
    EXPECT_EQ(text.rfind("<html>", 0), 0u) << text;
}

// A watch page that outlasts its deadline fails the job with a text of its
// own; nothing is saved.
TEST(HttpFetchTest, AJobWhosePageTricklesSaysItTookTooLong) {
    FixtureServer srv;
    TempDir movies;
    trickle(srv, "/watch", watchPageHtml("Slow", {{"5", srv.url("/movie")}}), "text/html");
    JobOptions options = jobOptions(srv.url("/watch"), "", 4, movies.path(), movies.path());
    options.pageDeadlineSeconds = 1;
    const int id = JobRecorder::nextId();
    DownloadJob(options, id, &JobRecorder::record).run();
    EXPECT_EQ(JobRecorder::statusesOf(id), (Texts{"reading-page", "done:page-too-slow"}));
    EXPECT_EQ(srv.hits("/movie"), 0);
    EXPECT_TRUE(listFolder(movies.path()).empty());
}

// A movie transfer (started by hand, as MovieDownload starts it).
struct Transfer {
    Transfer(const JobOptions& jobOptions, const std::string& folder)
        : options(withFolder(jobOptions, folder)), download(options, reporter, "m", ".flv") {
        EXPECT_EQ(file().open(), StagedFile::Opened::Ok);
    }
    static JobOptions withFolder(JobOptions options, const std::string& folder) {
        options.movieFolder = folder;
        return options;
    }
    HttpResponse run(const std::string& url) {
        return HttpClient().body(HttpRequest::body(url, options), body);
    }
    StagedFile& file() { return download.movie().file(); }
    const JobOptions options;
    const JobReporter reporter{JobRecorder::nextId(), &JobRecorder::record,
                               std::make_shared<CancelToken>()};
    MovieDownload download;
    MovieBody body{download.movie(), download};
};

// A movie that trickles below the floor fails as a stalled one does, with
// or without a speed limit, as long as its share of the limit is 2 KiB/s or
// more; below that, the floor is off and the same movie is taken whole.
TEST(HttpFetchTest, AMovieBelowTheFloorFailsUnlessItsShareOfTheLimitIsSmall) {
    FixtureServer srv;
    TempDir movies;
    // What fails the floor trickles for as long as any client could take to
    // notice; what is taken whole ends cleanly after 3 s.
    trickle(srv, "/slow", flvHead(), "application/octet-stream");
    trickle(srv, "/movie", flvHead(), "application/octet-stream", 3);
    JobOptions options;
    options.lowSpeedSeconds = 1;
    for (const std::int64_t rate : {0, 1 << 20, 4096}) {
        SCOPED_TRACE(rate);
        options.speedLimit = rate > 0 ? std::make_shared<SpeedLimit>(rate) : nullptr;
        Transfer t(options, movies.path());
        EXPECT_EQ(t.run(srv.url("/slow")).failure, HttpResponse::Failure::Stalled);
        EXPECT_EQ(readFile(t.file().tempPath()).rfind(flvHead(), 0), 0u);
    }
    // 4000 B/s shared by two transfers: 2000 B/s each, under 2 KiB/s.
    const auto shared = std::make_shared<SpeedLimit>(4000);
    const SpeedLimit::Registration other(shared.get());
    options.speedLimit = shared;
    Transfer t(options, movies.path());
    EXPECT_TRUE(t.run(srv.url("/movie")).ok());
    EXPECT_EQ(shared->transfers(), 1);
    // Without a floor it is taken whole too.
    options.speedLimit = nullptr;
    options.lowSpeedBytes = 0;
    Transfer unbounded(options, movies.path());
    EXPECT_TRUE(unbounded.run(srv.url("/movie")).ok());
}

// A job whose movie fails the floor says so as for a stall and keeps its
// part file to continue.
TEST(HttpFetchTest, AJobWhoseMovieIsTooSlowKeepsItsPartFile) {
    FixtureServer srv;
    TempDir movies;
    srv.watchPage("/watch", "Slow", {{"5", srv.url("/movie")}});
    trickle(srv, "/movie", flvHead(), "application/octet-stream");
    JobOptions options = jobOptions(srv.url("/watch"), "Slow", 4, movies.path(), movies.path());
    options.lowSpeedSeconds = 1;
    options.resume.partFile = StagedFile::stablePath(movies.path(), "Slow", "1");
    const int id = JobRecorder::nextId();
    DownloadJob(options, id, &JobRecorder::record).run();
    EXPECT_EQ(JobRecorder::statusesOf(id), upToMovie("setflv", {"done:save-failed"}));
    EXPECT_EQ(readFile(options.resume.partFile).rfind(flvHead(), 0), 0u);
    EXPECT_EQ(listFolder(movies.path()).size(), 1u);
}

// The floor over counted time: held time adds none, a window below the
// rate fails, and a restart (the floor off for a while) begins a new one.
TEST(HttpFetchTest, TheFloorCountsOnlyTheTimeNotHeldBack) {
    using Clock = LowSpeedFloor::Clock;
    const Clock::time_point t0{};
    LowSpeedFloor floor(1000, 10s);
    EXPECT_FALSE(floor.below(t0, 0, true));
    // Ten seconds at 1200 B/s, then an hour held for the limit: had the
    // hour counted, 12000 bytes in it would be far below.
    for (int s = 1; s <= 10; ++s)
        EXPECT_FALSE(floor.below(t0 + s * 1s, s * 1200, true)) << s;
    EXPECT_FALSE(floor.below(t0 + 1h, 12000, false));
    // Nothing more: the last ten counted seconds bring 10800 bytes, then 9600.
    EXPECT_FALSE(floor.below(t0 + 1h + 1s, 12000, true));
    EXPECT_TRUE(floor.below(t0 + 1h + 2s, 12000, true));
    // Off, then on again: a new window.
    floor.restart();
    EXPECT_FALSE(floor.below(t0 + 2h, 20000, true));
    EXPECT_FALSE(floor.below(t0 + 2h + 9s, 20000, true));
    EXPECT_TRUE(floor.below(t0 + 2h + 10s, 20000, true));
    // No rate or no window: never below.
    LowSpeedFloor none;
    EXPECT_FALSE(none.below(t0, 0, true));
    EXPECT_FALSE(none.below(t0 + 1h, 0, true));
}

} // namespace

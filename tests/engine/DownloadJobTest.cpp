#include "jobs/DownloadJob.h"
#include "JobRecorder.h"
#include "media/MediaProbe.h"
#include "support/FixtureServer.h"
#include "support/PieceRoute.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

using namespace enginetest;

const Texts kFetchFailed = {"reading-page", "done:no-connection"};
const Texts kPageTooLarge = {"reading-page", "done:page-too-large"};
const Texts kNoMap = {"reading-page", "page-received", "searching-stream", "done:no-stream"};
const char* const kSaveFailed = "done:save-failed";
const char* const kFolderUnusable = "done:movie-folder-unusable";

struct JobRun {
    Texts texts;
    std::vector<std::pair<double, double>> progress;
};

class DownloadJobTest : public ::testing::Test {
protected:
    // A job under the test's bounds (bounds' stallSeconds, maxPageBytes and
    // mayMakeHandle).
    JobRun run(const std::string& page, const std::string& title, int quality = 2,
               bool convert = false, std::string movieDir = {}) {
        const int id = JobRecorder::nextId();
        JobOptions options =
            jobOptions(page, title, quality, movieDir.empty() ? movies.path().string() : movieDir,
                       mp3s.path(), convert);
        options.stallSeconds = bounds.stallSeconds;
        options.maxPageBytes = bounds.maxPageBytes;
        options.mayMakeHandle = bounds.mayMakeHandle;
        options.boundSource = bound;
        options.connections = connections;
        DownloadJob job(std::move(options), id, [this](const JobEvent& event) {
            if (event.kind == JobEvent::Kind::Sourced)
                sourced = event.source;
            JobRecorder::record(event);
        });
        job.run();
        return {JobRecorder::statusesOf(id), JobRecorder::progressOf(id)};
    }

    // A watch page at /watch offering a low and a high stream at /low and /high.
    void offer(const std::string& highPath = "/high") {
        srv.watchPage("/watch", "Clip", {{"5", srv.url("/low")}, {"34", srv.url(highPath)}});
    }

    JobOptions bounds;
    int connections = 1;
    // The source the next run is bound to, and the one the last run saved.
    SourceRef bound;
    SourceRef sourced;
    FixtureServer srv;
    TempDir movies;
    TempDir mp3s;
};

TEST_F(DownloadJobTest, SavesTheChosenStreamByteForByte) {
    const std::string low = testBytes(70'000, 1), mid = testBytes(90'000, 2),
                      high = testBytes(300'000, 3), top = testBytes(123'457, 4);
    srv.stream("/5", low);
    srv.stream("/18", mid);
    srv.stream("/34", high);
    srv.stream("/35", top, true);
    srv.watchPage("/four", "Clip",
                  {{"34", srv.url("/34")},
                   {"5", srv.url("/5")},
                   {"35", srv.url("/35")},
                   {"18", srv.url("/18")}});
    srv.watchPage("/three", "Clip",
                  {{"34", srv.url("/34")}, {"5", srv.url("/5")}, {"18", srv.url("/18")}});

    struct Case {
        const char* page;
        int quality;
        const char* control;
        const char* file;
        const std::string& bytes;
    };
    const Case cases[] = {
        {"/four", 1, "setmp4", "A.mp4", top}, {"/three", 1, "setflv", "B.flv", high},
        {"/four", 2, "setflv", "C.flv", top}, {"/four", 3, "setflv", "D.flv", top},
        {"/four", 4, "setflv", "E.flv", low},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string title = std::string(c.file).substr(0, 1);
        JobRun r = run(srv.url(c.page), title, c.quality);
        EXPECT_EQ(r.texts, upToMovie(c.control, {std::string("saved:") + c.file, "downloaded",
                                                 "done:downloaded"}));
        EXPECT_TRUE(readFile(movies.file(c.file)) == c.bytes);
    }
    EXPECT_EQ(listFolder(movies.path()), (Texts{"A.mp4", "B.flv", "C.flv", "D.flv", "E.flv"}));
}

TEST_F(DownloadJobTest, ProgressCarriesTotalAndReceivedBytes) {
    const std::string bytes = testBytes(400'000);
    offer();
    for (bool chunked : {false, true}) {
        SCOPED_TRACE(chunked ? "chunked" : "with length");
        srv.stream("/high", bytes, chunked);
        JobRun r = run(srv.url("/watch"), chunked ? "Chunked" : "Sized");
        ASSERT_FALSE(r.progress.empty());
        double last = 0;
        for (auto [total, received] : r.progress) {
            EXPECT_GE(received, last);
            last = received;
            if (chunked) {
                EXPECT_EQ(total, 0);
            } else {
                EXPECT_TRUE(total == 0 || total == bytes.size());
            }
        }
        EXPECT_EQ(last, bytes.size());
        if (!chunked) {
            EXPECT_EQ(r.progress.back().first, bytes.size());
        }
    }
}

TEST_F(DownloadJobTest, ConvertsAfterASuccessfulDownload) {
    TempDir work;
    const std::string clip = work.file("clip.flv");
    const std::string command = "ffmpeg -nostdin -loglevel error -f lavfi -i "
                                "sine=frequency=440:duration=0.5 -c:a libmp3lame -f flv -y '" +
                                clip + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    srv.stream("/high", readFile(clip));
    // The cover comes from the page the job read, not fetched again.
    const std::string picture = work.file("cover.png");
    ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=32x32 "
                           "-frames:v 1 -y '" +
                           picture + "'")
                              .c_str()),
              0);
    srv.body("/cover", readFile(picture), "image/png");
    srv.body("/watch",
             "<meta property=\"og:image\" content=\"/cover\">" +
                 watchPageHtml("Clip", {{"5", srv.url("/low")}, {"34", srv.url("/high")}}));

    JobRun r = run(srv.url("/watch"), "Song", 2, true);
    Texts expected = upToMovie("setflv", {"saved:Song.flv", "downloaded", "converting",
                                          "saved:Song.mp3", "setmp3", "done:converted"});
    EXPECT_EQ(r.texts, expected);
    EXPECT_GT(std::filesystem::file_size(mp3s.file("Song.mp3")), 0u);
    const MediaProbe::Result mp3 = MediaProbe::probe(mp3s.file("Song.mp3"));
    ASSERT_EQ(mp3.info.streams.size(), 2u);
    EXPECT_TRUE(mp3.info.streams[1].attachedPicture);
    EXPECT_EQ(srv.hits("/watch"), 1);

    // The tag is the title the transfer goes by: not cut to a file name's
    // length, and without the number a copy's name takes.
    std::string longTitle;
    for (int i = 0; i < 150; ++i)
        longTitle += "\xC3\xA9";
    for (const auto& [title, file] : {std::pair<std::string, std::string>{"Song", "Song(1).mp3"},
                                      {longTitle, longTitle.substr(0, 226) + ".mp3"}}) {
        run(srv.url("/watch"), title, 2, true);
        const std::string tagged = commandOutput("ffprobe -v error -show_entries format_tags=title "
                                                 "-of default=nw=1:nk=1 '" +
                                                 mp3s.file(file) + "'");
        EXPECT_EQ(tagged, title + "\n");
    }
}

TEST_F(DownloadJobTest, NoHandleForThePage) {
    bounds.mayMakeHandle = [] { return false; };
    JobRun r = run(srv.url("/watch"), "Clip");
    EXPECT_EQ(r.texts, (Texts{"reading-page", "done:request-failed"}));
    EXPECT_EQ(srv.hits("/watch"), 0);
}

TEST_F(DownloadJobTest, PageFetchFailures) {
    std::string refused;
    {
        FixtureServer gone;
        refused = gone.url("/watch");
    }
    for (int i = 0; i < 11; ++i)
        srv.redirect("/hop" + std::to_string(i), "/hop" + std::to_string(i + 1));
    srv.redirect("/hop11", "/missing");
    srv.redirect("/loop", "/loop");
    srv.stall("/stall");
    bounds.stallSeconds = 1;
    bounds.maxPageBytes = 4096;
    srv.body("/big", std::string(5000, 'x'));
    srv.stream("/bigchunked", std::string(50'000, 'x'), true);
    srv.body("/fits", std::string(4096, 'x'));

    for (const std::string& page : {refused, srv.url("/hop0"), srv.url("/loop"), srv.url("/stall"),
                                    std::string("nosuchscheme://example/watch")}) {
        SCOPED_TRACE(page);
        JobRun r = run(page, "Clip");
        EXPECT_EQ(r.texts, kFetchFailed);
    }
    // Ten redirects are followed; the eleventh is refused.
    EXPECT_EQ(srv.hits("/hop10"), 1);
    EXPECT_EQ(srv.hits("/hop11"), 0);
    EXPECT_EQ(srv.hits("/loop"), 11);
    EXPECT_EQ(srv.stallsExpired(), 0);
    // What must arrive gets the usual stall bound: a busy machine may pause.
    bounds.stallSeconds = JobOptions().stallSeconds;
    // A page over the bound says so, whether its size was announced or not.
    for (const char* path : {"/big", "/bigchunked"})
        EXPECT_EQ(run(srv.url(path), "Clip").texts, kPageTooLarge) << path;
    // A page of exactly the bound is still taken.
    EXPECT_EQ(run(srv.url("/fits"), "Clip").texts, kNoMap);
    // So does one whose JSON-LD is beyond what is read of it, whatever else
    // it names.
    srv.body("/deep", "<script type=application/ld+json>" + std::string(1000, '[') +
                          "</script><video src=/low></video>");
    EXPECT_EQ(run(srv.url("/deep"), "Clip").texts,
              (Texts{"reading-page", "page-received", "searching-stream", "done:page-too-large"}));
    EXPECT_TRUE(listFolder(movies.path()).empty());
}

TEST_F(DownloadJobTest, PagesWithoutAStreamMap) {
    srv.body("/plain", "<html><body>nothing to see</body></html>");
    srv.body("/empty", "");
    srv.error("/gone", 404, watchPageHtml("Clip", {}).substr(0, 60));
    for (const char* page : {"/plain", "/empty", "/gone"}) {
        SCOPED_TRACE(page);
        JobRun r = run(srv.url(page), "Clip");
        EXPECT_EQ(r.texts, kNoMap);
    }
    EXPECT_TRUE(listFolder(movies.path()).empty());
}

// Today's page forms: a <video> with sources of two sizes (the quality
// picks), JSON-LD only, a direct link named after its file, and media that
// only the page's cookie or the page as Referer opens. Titles come from the
// page when none was asked for; the saved type follows the first bytes.
TEST_F(DownloadJobTest, TodaysPageFormsAndDirectLinks) {
    const std::string small = std::string("\0\0\0\x18"
                                          "ftypisom",
                                          12) +
                              testBytes(30'000, 5);
    const std::string large = std::string("\0\0\0\x18"
                                          "ftypisom",
                                          12) +
                              testBytes(90'000, 6);
    srv.stream("/media/360.mp4", small);
    srv.stream("/media/720.mp4", large);
    srv.body("/video", R"(<html><head><base href="/media/"><title>Two Sizes</title></head>
        <body><video><source src="360.mp4" type="video/mp4" size="360">
        <source src="720.mp4" type="video/mp4" size="720"></video></body></html>)");
    srv.body("/ld", R"(<script type="application/ld+json">{"@graph":[{"@type":"VideoObject",
        "name":"Linked","contentUrl":"/media/720.mp4"}]}</script>)");
    srv.body("/clip one.webm",
             "\x1A\x45\xDF\xA3" + std::string(20, '\x01') + "webm" + testBytes(20'000, 7),
             "video/webm");
    srv.get("/cookie", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "pass=1; Path=/");
        res.set_content("<video src=/gated/cookie.mp4></video><title>Cookie</title>", "text/html");
    });
    srv.get("/gated/cookie.mp4", [&](const httplib::Request& req, httplib::Response& res) {
        res.status = req.get_header_value("Cookie") == "pass=1" ? 200 : 403;
        res.set_content(small, "video/mp4");
    });
    srv.body("/referer", "<video src=/gated/referer.mp4></video><title>Referer</title>");
    srv.get("/gated/referer.mp4", [&](const httplib::Request& req, httplib::Response& res) {
        res.status = req.get_header_value("Referer") == srv.url("/referer") ? 200 : 403;
        res.set_content(large, "video/mp4");
    });
    struct Case {
        const char* page;
        int quality;
        const char* saved;
        const std::string& bytes;
    };
    for (const Case& c :
         {Case{"/video", 4, "Two Sizes.mp4", small}, Case{"/video", 1, "Two Sizes(1).mp4", large},
          Case{"/ld", 2, "Linked.mp4", large}, Case{"/cookie", 4, "Cookie.mp4", small},
          Case{"/referer", 4, "Referer.mp4", large}}) {
        SCOPED_TRACE(c.page + std::to_string(c.quality));
        const JobRun r = run(srv.url(c.page), "", c.quality);
        EXPECT_EQ(r.texts.back(), "done:downloaded");
        EXPECT_TRUE(readFile(movies.file(c.saved)) == c.bytes);
    }
    const JobRun direct = run(srv.url("/clip%20one.webm"), "");
    EXPECT_EQ(direct.texts,
              (Texts{"reading-page", "page-received", "stream-found", "connecting", "downloading",
                     "setmp4", "setwebm", "saved:clip one.webm", "downloaded", "done:downloaded"}));
    EXPECT_EQ(readFile(movies.file("clip one.webm")).size(), 20'028u);
    EXPECT_EQ(sourced.kind, SourceRef::Kind::Direct);

    // A resume finds its source again by its label, at the page's fresh
    // address, whatever the quality says; one no longer offered fails.
    bound = {SourceRef::Kind::Element, "360p MP4", srv.url("/media/360.mp4?expired")};
    EXPECT_EQ(run(srv.url("/video"), "Bound", 1).texts.back(), "done:downloaded");
    EXPECT_TRUE(readFile(movies.file("Bound.mp4")) == small);
    EXPECT_EQ(sourced.url, srv.url("/media/360.mp4"));
    // One the page's text never named (its script asked for it) is saved
    // from its address while that answers; expired, it is gone.
    bound = {SourceRef::Kind::Request, "1080p MP4", srv.url("/media/720.mp4")};
    EXPECT_EQ(run(srv.url("/video"), "Asked", 4).texts.back(), "done:downloaded");
    EXPECT_TRUE(readFile(movies.file("Asked.mp4")) == large);
    bound.url = srv.url("/media/expired.mp4");
    EXPECT_EQ(run(srv.url("/video"), "Gone", 1).texts,
              (Texts{"reading-page", "page-received", "searching-stream", "stream-found",
                     "done:source-gone"}));
    EXPECT_FALSE(std::filesystem::exists(movies.file("Gone.mp4")));
}

TEST_F(DownloadJobTest, ADirectLinkIsAskedOnce) {
    // A signed address may answer once: the answer that shows it is media
    // is the movie, over one connection or as the first of several.
    const std::string bytes = std::string("\0\0\0\x18"
                                          "ftypisom",
                                          12) +
                              testBytes(5 << 20, 8);
    PieceRoute route;
    route.bytes = bytes;
    for (const int n : {1, 4}) {
        SCOPED_TRACE(n);
        connections = n;
        const std::string path = "/signed" + std::to_string(n) + ".mp4";
        const std::shared_ptr<PieceCounts> counts = servePieces(srv, path, route);
        const JobRun r = run(srv.url(path + "?sig=once"), "");
        EXPECT_EQ(r.texts.back(), "done:downloaded");
        EXPECT_TRUE(readFile(movies.file("signed" + std::to_string(n) + ".mp4")) == bytes);
        EXPECT_EQ(counts->requests - counts->ranged, 1);
        EXPECT_EQ(counts->rangedFromStart, 0);
        EXPECT_EQ(counts->ranged > 0, n > 1);
        EXPECT_EQ(r.progress.back(), (std::pair<double, double>(bytes.size(), bytes.size())));
    }
    // A page's source whose address says nothing of its kind is asked once too.
    srv.body("/untyped", "<title>Untyped</title><video src=/play?id=7></video>");
    const std::shared_ptr<PieceCounts> counts = servePieces(srv, "/play", route);
    EXPECT_EQ(run(srv.url("/untyped"), "", 4).texts.back(), "done:downloaded");
    EXPECT_TRUE(readFile(movies.file("Untyped.mp4")) == bytes);
    EXPECT_EQ(counts->requests - counts->ranged, 1);
    EXPECT_EQ(counts->rangedFromStart, 0);
}

TEST_F(DownloadJobTest, RedirectsAreFollowedToTheBody) {
    const std::string bytes = testBytes(50'000);
    for (int i = 0; i < 10; ++i)
        srv.redirect("/p" + std::to_string(i), i == 9 ? "/watch" : "/p" + std::to_string(i + 1),
                     i % 2 ? 301 : 302);
    srv.redirect("/moved", srv.url("/high"), 307);
    srv.stream("/high", bytes);
    offer("/moved");

    JobRun r = run(srv.url("/p0"), "Moved");
    EXPECT_EQ(r.texts, upToMovie("setflv", {"saved:Moved.flv", "downloaded", "done:downloaded"}));
    EXPECT_TRUE(readFile(movies.file("Moved.flv")) == bytes);
}

TEST_F(DownloadJobTest, TitlesAndFoldersThatCannotTakeTheFile) {
    srv.stream("/high", testBytes(1000));
    offer();
    writeFile(movies.file("a file"), "");
    struct Case {
        std::string title;
        std::string folder;
        const char* error;
    };
    std::vector<Case> cases = {{"Clip", movies.file("no-such-folder"), kFolderUnusable},
                               {"Clip", movies.file("a file"), kFolderUnusable}};
    // Permissions do not hold back root.
    TempDir locked;
    if (geteuid() != 0) {
        std::filesystem::permissions(locked.path(), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
        cases.push_back({"Clip", locked.path(), kFolderUnusable});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + " in " + c.folder);
        JobRun r = run(srv.url("/watch"), c.title, 2, false, c.folder);
        EXPECT_EQ(r.texts, upToMovie("setflv", {c.error}));
        EXPECT_TRUE(r.progress.empty());
    }
    std::filesystem::permissions(locked.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(srv.hits("/high"), 0);
    EXPECT_EQ(listFolder(movies.path()), Texts{"a file"});
    EXPECT_TRUE(listFolder(mp3s.path()).empty());
}

// A title no file name can hold is cleaned before the transfer starts,
// never refused after it.
TEST_F(DownloadJobTest, TitlesAreCleanedBeforeTheTransfer) {
    srv.stream("/high", testBytes(1000));
    offer();
    // No title: the page's headline.
    for (const char* title : {"AC/DC", "../..", ""})
        run(srv.url("/watch"), title);
    EXPECT_EQ(listFolder(movies.path()), (Texts{"AC DC.flv", "Clip.flv", "video.flv"}));
}

TEST_F(DownloadJobTest, FailedTransfersKeepTheEarlierFile) {
    writeFile(movies.file("Clip.flv"), "earlier movie");
    writeFile(movies.file("local.bin"), "a local file");
    const std::string bytes = testBytes(200'000);
    srv.error("/404", 404);
    srv.error("/500", 500);
    srv.dropped("/dropped", bytes, 100'000);
    srv.stall("/stall", bytes.substr(0, 1));
    srv.redirect("/loop", "/loop");
    srv.redirect("/tolocal", "file://" + movies.file("local.bin"));
    srv.stream("/good", bytes);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"404", srv.url("/404")},
        {"500", srv.url("/500")},
        {"dropped", srv.url("/dropped")},
        {"stall", srv.url("/stall")},
        {"loop", srv.url("/loop")},
        {"redirect to a local file", srv.url("/tolocal")},
        {"local file", "file://" + movies.file("local.bin")},
        {"empty address", ""},
    };
    for (bool convert : {false, true}) {
        for (const auto& [name, stream] : cases) {
            SCOPED_TRACE(name + (convert ? " converting" : ""));
            // Only the stall case is bounded short; the others take what time they take.
            bounds.stallSeconds = name == "stall" ? 1 : JobOptions().stallSeconds;
            srv.watchPage("/watch", "Clip", {{"5", srv.url("/good")}, {"34", stream}});
            JobRun r = run(srv.url("/watch"), "Clip", 2, convert);
            // One end, with or without a conversion to follow.
            EXPECT_EQ(r.texts, upToMovie("setflv", {kSaveFailed}));
            EXPECT_EQ(readFile(movies.file("Clip.flv")), "earlier movie");
            EXPECT_EQ(listFolder(movies.path()), (Texts{"Clip.flv", "local.bin"}));
        }
    }
    EXPECT_TRUE(listFolder(mp3s.path()).empty());
    EXPECT_EQ(srv.stallsExpired(), 0);

    // No handle for the movie transfer: the page's handle is the only one.
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/good")}, {"34", srv.url("/good")}});
    static int made;
    made = 0;
    bounds.mayMakeHandle = [] { return made++ == 0; };
    EXPECT_EQ(run(srv.url("/watch"), "Clip").texts, upToMovie("setflv", {kSaveFailed}));
    EXPECT_EQ(readFile(movies.file("Clip.flv")), "earlier movie");
    EXPECT_EQ(srv.hits("/good"), 0);
}

// The file size limit makes every write past it fail as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(DownloadJobTest, WriteFailureFailsTheTransfer) {
    writeFile(movies.file("Clip.flv"), "earlier movie");
    offer();
    // A write past the limit fails at once, on the first chunk or a later one.
    for (std::size_t size : {500'000u, 3'000u}) {
        SCOPED_TRACE(size);
        srv.stream("/high", testBytes(size));
        JobRun r;
        {
            FileSizeLimit limit(1000);
            r = run(srv.url("/watch"), "Clip");
        }
        EXPECT_EQ(r.texts, upToMovie("setflv", {kSaveFailed}));
        EXPECT_EQ(readFile(movies.file("Clip.flv")), "earlier movie");
        EXPECT_EQ(listFolder(movies.path()), Texts{"Clip.flv"});
    }
}

TEST_F(DownloadJobTest, SeveralJobsRunAtOnceOnTheirOwnThreads) {
    constexpr int jobs = 4;
    std::vector<std::string> bytes;
    std::vector<int> ids;
    for (int i = 0; i < jobs; ++i) {
        const std::string n = std::to_string(i);
        bytes.push_back(testBytes(150'000 + i * 1000, i + 10));
        srv.stream("/s" + n, bytes.back(), i % 2);
        srv.watchPage("/w" + n, "Clip", {{"5", srv.url("/x")}, {"34", srv.url("/s" + n)}});
        ids.push_back(JobRecorder::nextId());
    }
    std::vector<std::thread> threads;
    for (int i = 0; i < jobs; ++i) {
        const std::string n = std::to_string(i);
        auto job = std::make_unique<DownloadJob>(
            jobOptions(srv.url("/w" + n), "Clip " + n, 2, movies.path(), mp3s.path()), ids[i],
            &JobRecorder::record);
        // The worker owns the job and destroys it.
        threads.emplace_back([job = std::move(job)] { job->run(); });
    }
    for (auto& t : threads)
        t.join();
    for (int i = 0; i < jobs; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(JobRecorder::statusesOf(ids[i]),
                  upToMovie("setflv", {"saved:Clip " + std::to_string(i) + ".flv", "downloaded",
                                       "done:downloaded"}));
        EXPECT_EQ(JobRecorder::progressOf(ids[i]).back().second, bytes[i].size());
        EXPECT_TRUE(readFile(movies.file("Clip " + std::to_string(i) + ".flv")) == bytes[i]);
    }
    EXPECT_EQ(listFolder(movies.path()).size(), std::size_t{jobs});
}

} // namespace

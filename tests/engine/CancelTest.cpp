#include "CancelToken.h"
#include "DownloadJob.h"
#include "FixtureServer.h"
#include "JobRecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace enginetest;

struct CancelledRun {
    Texts texts;
};

class CancelTest : public ::testing::Test {
protected:
    // A job cancelled (or paused) the moment its sink sees `when`.
    CancelledRun run(const std::string& page, bool convert,
                     std::function<bool(const JobEvent&)> when, bool pause = false) {
        const int id = JobRecorder::nextId();
        auto cancel = std::make_shared<CancelToken>();
        auto sink = [&, cancel](const JobEvent& event) {
            JobRecorder::record(event);
            if (when(event))
                pause ? cancel->pause() : cancel->cancel();
        };
        DownloadJob job(jobOptions(page, "Clip", 2, movies.path(), music.path(), convert), id, sink,
                        cancel);
        CancelledRun out;
        job.run();
        out.texts = JobRecorder::statusesOf(id);
        return out;
    }

    FixtureServer srv;
    TempDir movies;
    TempDir music;
};

// Whatever the job is doing, a cancel ends it as Cancelled, keeps an
// earlier movie and leaves no temporary file behind.
TEST_F(CancelTest, StopsEachStepAndLeavesNoTrace) {
    writeFile(movies.file("Clip.flv"), "earlier movie");
    srv.stall("/stall", "F");
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/stall")}, {"6", srv.url("/stall")}});

    // During the page fetch.
    CancelledRun r = run(srv.url("/watch"), false, [](const JobEvent& e) {
        return e.kind == JobEvent::Kind::Status && e.reason == Reason::ReadingPage;
    });
    EXPECT_EQ(r.texts, (Texts{"reading-page", "done:cancelled"}));

    // During the movie transfer, once the first byte has arrived.
    r = run(srv.url("/watch"), false,
            [](const JobEvent& e) { return e.kind == JobEvent::Kind::Progress && e.done > 0; });
    EXPECT_EQ(r.texts, upToMovie("setflv", {"done:cancelled"}));
    EXPECT_EQ(readFile(movies.file("Clip.flv")), "earlier movie");
    EXPECT_EQ(listFolder(movies.path()), Texts{"Clip.flv"});
    EXPECT_EQ(srv.stallsExpired(), 0);
}

// ffmpeg is ended and its temporary MP3 removed; an earlier MP3 stays. A
// pause does the same, and says so.
TEST_F(CancelTest, StopsTheConversion) {
    TempDir bin;
    // An encoder that would run for half a minute.
    writeFile(bin.file("ffmpeg"), "#!/bin/sh\nexec sleep 30\n");
    std::filesystem::permissions(bin.file("ffmpeg"), std::filesystem::perms::owner_all);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", (bin.path().string() + ":" + savedPath).c_str(), 1);

    writeFile(music.file("Clip.mp3"), "earlier mp3");
    srv.stream("/movie", "FLV" + testBytes(5000));
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"6", srv.url("/movie")}});
    for (const bool pause : {false, true}) {
        SCOPED_TRACE(pause ? "pause" : "cancel");
        std::filesystem::remove(movies.file("Clip.flv"));
        const CancelledRun r = run(
            srv.url("/watch"), true,
            [](const JobEvent& e) { return e.kind == JobEvent::Kind::Converting; }, pause);
        EXPECT_EQ(r.texts, upToMovie("setflv", {"saved:Clip.flv", "downloaded", "converting",
                                                pause ? "done:paused" : "done:cancelled"}));
        EXPECT_EQ(readFile(music.file("Clip.mp3")), "earlier mp3");
        EXPECT_EQ(listFolder(music.path()), Texts{"Clip.mp3"});
    }
    setenv("PATH", savedPath.c_str(), 1);
}

} // namespace

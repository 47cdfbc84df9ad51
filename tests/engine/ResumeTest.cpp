#include "CancelToken.h"
#include "DownloadJob.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "PartFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;
using Kind = JobEvent::Kind;

const std::string kTag = "\"v1\"";

class ResumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"6", srv.url("/movie")}});
    }
    // A job continuing part; stop sees each event and may stop the job.
    std::vector<JobEvent> run(std::string validator, long long total, std::string partFile,
                              std::function<void(const JobEvent&, CancelToken&)> stop = {}) {
        JobOptions options = jobOptions(srv.url("/watch"), "Clip", 2, movies.path(), movies.path());
        options.partFile = std::move(partFile);
        options.validator = std::move(validator);
        options.total = total;
        auto token = std::make_shared<CancelToken>();
        std::vector<JobEvent> events;
        auto sink = [&](const JobEvent& e) {
            events.push_back(e);
            if (stop)
                stop(e, *token);
        };
        DownloadJob(std::move(options), JobRecorder::nextId(), sink, token).run();
        return events;
    }

    FixtureServer srv;
    TempDir movies;
    const std::string part = PartFile::stablePath(movies.path(), "Clip", "7");
    // An MP4 by its first bytes only (the quality rule says FLV): the saved
    // extension shows which first bytes were judged.
    const std::string body = std::string("\0\0\0\030ftypisom", 12) + testBytes(60000);
    const long long size = static_cast<long long>(body.size());
};

// A part file continues only with a 206 of exactly the rest of the same
// file; a 200 starts it over, unless it is a page or a text; a 416 at its
// end completes it; anything else fails and keeps it. The file's own first bytes are judged,
// progress counts the bytes on disk, and what to store to continue is told.
TEST_F(ResumeTest, ContinuesOnlyTheRestOfTheSameFile) {
    const std::string half = body.substr(0, body.size() / 2);
    const std::string range = "bytes 0-" + std::to_string(size - 1) + "/" + std::to_string(size);
    struct Case {
        const char* name;
        std::string onDisk, validator;
        long long total;
        bool saved, kept;
    };
    for (const Case& c :
         std::vector<Case>{{"the rest", half, kTag, size, true, false},
                           {"changed", half + "x", "\"v0\"", size, true, false},
                           {"complete", body, kTag, size, true, false},
                           {"other total", half, kTag, size + 1, false, true},
                           {"other start", half, kTag, size, false, true},
                           {"server error", half, kTag, size, false, true},
                           {"page instead", half, kTag, size, false, true},
                           {"not a movie", "<html>" + half, kTag, size, false, false}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(movies.path());
        fs::create_directory(movies.path());
        writeFile(part, c.onDisk);
        srv.ranged("/movie", body, kTag);
        if (c.name == std::string("other start"))
            srv.get("/movie", [&](const httplib::Request&, httplib::Response& res) {
                res.status = 206;
                res.set_header("Content-Range", range);
                res.set_content(body, "application/octet-stream");
            });
        if (c.name == std::string("server error"))
            srv.error("/movie", 503);
        if (c.name == std::string("page instead"))
            srv.get("/movie", [](const httplib::Request&, httplib::Response& res) {
                res.set_content("<!DOCTYPE html><p>Are you a robot?</p>", "text/html");
            });

        const std::vector<JobEvent> events = run(c.validator, c.total, part);
        EXPECT_EQ(srv.lastHeader("/movie", "Range") + " " + srv.lastHeader("/movie", "If-Range"),
                  "bytes=" + std::to_string(c.onDisk.size()) + "- " + c.validator);
        EXPECT_EQ(srv.lastHeader("/movie", "Accept-Encoding"), "");
        EXPECT_EQ(events.back().kind, c.saved ? Kind::Finished : Kind::Failed);
        EXPECT_TRUE(c.kept ? readFile(part) == c.onDisk : !fs::exists(part));
        if (!c.saved)
            continue;
        EXPECT_TRUE(readFile(movies.file("Clip.mp4")) == body);
        const JobEvent* told = nullptr;
        for (const JobEvent& e : events) {
            if (e.kind == Kind::Progress && e.total > 0) {
                EXPECT_EQ(e.total, size);
            }
            if (e.kind == Kind::Resumable)
                told = &e;
        }
        ASSERT_TRUE(told);
        EXPECT_EQ(told->text + " " + told->detail + " " + std::to_string(told->total),
                  part + " " + kTag + " " + std::to_string(static_cast<double>(size)));
    }
}

// Pause keeps the part file with the bytes received, and the next job
// continues it from there; cancel removes it, and so does a pause of a job
// given no part file.
TEST_F(ResumeTest, PauseKeepsThePartFileCancelRemovesIt) {
    const std::size_t half = body.size() / 2;
    srv.ranged("/movie", body, kTag, half);
    for (const bool pause : {false, true}) {
        for (const std::string& partFile : {std::string(), part}) {
            SCOPED_TRACE((pause ? "pause " : "cancel ") + partFile);
            const auto events = run({}, 0, partFile, [&](const JobEvent& e, CancelToken& token) {
                if (e.kind == Kind::Progress && e.done >= half)
                    pause ? token.pause() : token.cancel();
            });
            EXPECT_EQ(events.back().text, pause ? "Paused." : "Cancelled.");
            EXPECT_EQ(listFolder(movies.path()).size(), pause && !partFile.empty() ? 1u : 0u);
        }
    }
    EXPECT_TRUE(readFile(part) == body.substr(0, half));
    // A cancel after a pause still removes the file; a pause after a cancel
    // keeps nothing.
    for (const bool cancelFirst : {false, true}) {
        CancelToken token;
        cancelFirst ? token.cancel() : token.pause();
        cancelFirst ? token.pause() : token.cancel();
        EXPECT_TRUE(token.cancelled());
        EXPECT_FALSE(token.pausing());
    }
    srv.ranged("/movie", body, kTag);
    EXPECT_EQ(run(kTag, size, part).back().kind, Kind::Finished);
    EXPECT_EQ(srv.lastHeader("/movie", "Range"), "bytes=" + std::to_string(half) + "-");
    EXPECT_TRUE(readFile(movies.file("Clip.mp4")) == body);
    EXPECT_EQ(listFolder(movies.path()), Texts{"Clip.mp4"});
}

} // namespace

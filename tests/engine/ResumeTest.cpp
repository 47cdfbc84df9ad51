#include "CancelToken.h"
#include "DownloadJob.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "StagedFile.h"

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
        options.resume = {
            .partFile = std::move(partFile), .validator = std::move(validator), .total = total};
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
    const std::string part = StagedFile::stablePath(movies.path(), "Clip", "7");
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
        EXPECT_EQ(told->resume.partFile + " " + told->resume.validator + " " +
                      std::to_string(told->resume.total),
                  part + " " + kTag + " " + std::to_string(size));
    }
}

// Never a file of two versions, nor a short one: a 206 that does not name
// the version If-Range asked for (a server that ignores If-Range) makes the
// job start over with the whole file; a 206 without a length that ends
// early fails and keeps its bytes for the next job, which completes them.
TEST_F(ResumeTest, NeverAMixedOrShortFile) {
    const std::size_t half = body.size() / 2;
    const std::string newer = body.substr(0, 12) + testBytes(body.size() - 12, 2);
    const std::string rest = "bytes " + std::to_string(half) + "-" + std::to_string(size - 1) +
                             "/" + std::to_string(size);
    for (const std::string& tag : {std::string("\"v2\""), std::string()}) {
        SCOPED_TRACE("206 tagged '" + tag + "'");
        fs::remove_all(movies.path());
        fs::create_directory(movies.path());
        writeFile(part, body.substr(0, half));
        srv.get("/movie", [&](const httplib::Request& req, httplib::Response& res) {
            if (!tag.empty())
                res.set_header("ETag", tag);
            if (req.has_header("Range")) {
                res.status = 206;
                res.set_header("Content-Range", rest);
                res.set_content(newer.substr(half), "video/mp4");
            } else {
                res.set_content(newer, "video/mp4");
            }
        });
        const int before = srv.hits("/movie");
        EXPECT_EQ(run(kTag, size, part).back().kind, Kind::Finished);
        EXPECT_EQ(srv.hits("/movie") - before, 2);
        EXPECT_TRUE(readFile(movies.file("Clip.mp4")) == newer);
    }

    fs::remove_all(movies.path());
    fs::create_directory(movies.path());
    writeFile(part, body.substr(0, half));
    const std::size_t sent = half / 2;
    srv.get("/movie", [&](const httplib::Request&, httplib::Response& res) {
        res.status = 206;
        res.set_header("ETag", kTag);
        res.set_header("Content-Range", rest);
        res.set_chunked_content_provider("video/mp4", [&](std::size_t, httplib::DataSink& sink) {
            sink.write(body.data() + half, sent);
            sink.done();
            return true;
        });
    });
    const std::vector<JobEvent> cut = run(kTag, size, part);
    EXPECT_EQ(cut.back().reason, Reason::SaveFailed);
    EXPECT_TRUE(readFile(part) == body.substr(0, half + sent));
    EXPECT_EQ(listFolder(movies.path()).size(), 1u);
    srv.ranged("/movie", body, kTag);
    EXPECT_EQ(run(kTag, size, part).back().kind, Kind::Finished);
    EXPECT_TRUE(readFile(movies.file("Clip.mp4")) == body);
}

// A whole movie that finds its name and all 99 numbered copies taken keeps
// its part file, and is saved by the next job once a name is free.
TEST_F(ResumeTest, EveryNameTakenKeepsTheWholeMovie) {
    srv.ranged("/movie", body, kTag);
    for (std::size_t n = 0; n <= StagedFile::maxCopies; ++n)
        writeFile(StagedFile::copyName(movies.file("Clip.mp4"), n), "earlier");
    EXPECT_EQ(run({}, 0, part).back().reason, Reason::NamesTaken);
    EXPECT_TRUE(readFile(part) == body);
    fs::remove(movies.file("Clip(42).mp4"));
    EXPECT_EQ(run(kTag, size, part).back().kind, Kind::Finished);
    EXPECT_TRUE(readFile(movies.file("Clip(42).mp4")) == body);
    EXPECT_FALSE(fs::exists(part));
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
            EXPECT_EQ(events.back().reason, pause ? Reason::Paused : Reason::Cancelled);
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

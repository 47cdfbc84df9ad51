#include "CancelToken.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "PartFile.h"
#include "core.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;
using Kind = JobEvent::Kind;

const std::string kTag = "\"v1\"";

std::string header(const httplib::Headers& headers, const std::string& name) {
    const auto it = headers.find(name);
    return it == headers.end() ? "(none)" : it->second;
}

struct JobRun {
    std::vector<JobEvent> events;
    const JobEvent& last() const { return events.back(); }
    // The last event of kind, or nothing.
    std::optional<JobEvent> lastOf(Kind kind) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->kind == kind)
                return *it;
        return std::nullopt;
    }
};

class ResumeTest : public ::testing::Test {
protected:
    // Runs a job on this thread; watch sees each event and may stop the job.
    JobRun run(JobOptions options, std::function<void(const JobEvent&, CancelToken&)> watch = {}) {
        auto token = std::make_shared<CancelToken>();
        JobRun out;
        core job(
            std::move(options), JobRecorder::nextId(),
            [&](const JobEvent& e) {
                out.events.push_back(e);
                if (watch)
                    watch(e, *token);
            },
            token);
        job.scrapeURL();
        return out;
    }
    JobOptions continuing(std::string validator, long long total) {
        JobOptions options = jobOptions(srv.url("/watch"), "Clip", 2, movies.path(), music.path());
        options.partFile = part;
        options.validator = std::move(validator);
        options.total = total;
        return options;
    }
    void SetUp() override {
        srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"6", srv.url("/movie")}});
    }

    FixtureServer srv;
    TempDir movies;
    TempDir music;
    const std::string part = PartFile::stablePath(movies.path(), "Clip", "7");
    // An MP4 by its first bytes only: the quality rule says FLV, so the
    // saved extension shows which first bytes were judged.
    const std::string body = std::string("\0\0\0\x18"
                                         "ftypisom",
                                         12) +
                             testBytes(60000);
    const std::size_t half = body.size() / 2;
};

// A part file continues only with a 206 of exactly the rest of the same
// file; a 200 starts it over; a 416 at its end completes it; anything else
// fails and keeps it as it was. The file's own first bytes are judged, and
// progress counts the bytes on disk.
TEST_F(ResumeTest, ContinuesOnlyTheRestOfTheSameFile) {
    const std::string page = "<!DOCTYPE html><html>" + std::string(half, ' ');
    auto wrongStart = [&](const httplib::Request&, httplib::Response& res) {
        res.status = 206;
        res.set_header("Content-Range", "bytes 0-" + std::to_string(body.size() - 1) + "/" +
                                            std::to_string(body.size()));
        res.set_content(body, "application/octet-stream");
    };
    struct Case {
        const char* name;
        std::string onDisk;
        std::string validator;
        long long total;
        bool saved;
        bool kept;
    };
    const long long size = static_cast<long long>(body.size());
    const std::vector<Case> cases = {
        {"the rest", body.substr(0, half), kTag, size, true, false},
        {"changed", testBytes(half, 9), "\"v0\"", size, true, false},
        {"complete", body, kTag, size, true, false},
        {"other total", body.substr(0, half), kTag, size + 1, false, true},
        {"other start", body.substr(0, half), kTag, size, false, true},
        {"server error", body.substr(0, half), kTag, size, false, true},
        {"a page on disk", page, kTag, size, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(movies.path());
        fs::create_directory(movies.path());
        srv.ranged("/movie", body, kTag);
        if (c.name == std::string("other start"))
            srv.get("/movie", wrongStart);
        if (c.name == std::string("server error"))
            srv.error("/movie", 503);
        writeFile(part, c.onDisk);
        const int pageHits = srv.hits("/watch");

        const JobRun r = run(continuing(c.validator, c.total));
        // A fresh stream address first, every time.
        EXPECT_EQ(srv.hits("/watch"), pageHits + 1);
        const httplib::Headers sent = srv.lastHeaders("/movie");
        EXPECT_EQ(header(sent, "Accept-Encoding"), "(none)");
        EXPECT_EQ(header(sent, "If-Range"), c.validator);
        EXPECT_EQ(header(sent, "Range"), "bytes=" + std::to_string(c.onDisk.size()) + "-");
        if (!c.saved) {
            EXPECT_EQ(r.last().kind, Kind::Failed);
            EXPECT_EQ(r.last().text, "Error: Could not save movie.");
            EXPECT_EQ(fs::exists(part), c.kept);
            if (c.kept) {
                EXPECT_TRUE(readFile(part) == c.onDisk);
            }
            continue;
        }
        EXPECT_EQ(r.last().kind, Kind::Finished) << r.last().text;
        EXPECT_EQ(listFolder(movies.path()), Texts{"Clip.mp4"});
        EXPECT_TRUE(readFile(movies.file("Clip.mp4")) == body);
        const auto told = r.lastOf(Kind::Resumable);
        ASSERT_TRUE(told);
        EXPECT_EQ(told->text, part);
        EXPECT_EQ(told->detail, kTag);
        EXPECT_EQ(told->total, size);
        const auto last = r.lastOf(Kind::Progress);
        ASSERT_TRUE(last);
        EXPECT_EQ(last->done, size);
        for (const JobEvent& e : r.events)
            if (e.kind == Kind::Progress && e.total > 0) {
                EXPECT_EQ(e.total, size);
            }
    }
}

// Pause keeps the part file with the bytes received, and the next job
// continues it from there; cancel removes it. A job asked for no part file
// keeps nothing either way.
TEST_F(ResumeTest, PauseKeepsThePartFileCancelRemovesIt) {
    srv.ranged("/movie", body, kTag, half);
    for (const bool pause : {false, true}) {
        for (const bool stable : {false, true}) {
            SCOPED_TRACE(std::string(pause ? "pause" : "cancel") + (stable ? ", part file" : ""));
            JobOptions options = continuing({}, 0);
            if (!stable)
                options.partFile.clear();
            const JobRun r = run(options, [&](const JobEvent& e, CancelToken& token) {
                if (e.kind == Kind::Progress && e.done >= half)
                    pause ? token.pause() : token.cancel();
            });
            EXPECT_EQ(r.last().kind, pause ? Kind::Paused : Kind::Cancelled);
            EXPECT_EQ(r.last().text, pause ? "Paused." : "Cancelled.");
            if (pause && stable) {
                EXPECT_EQ(listFolder(movies.path()), Texts{"Clip.7.part"});
                EXPECT_TRUE(readFile(part) == body.substr(0, half));
                EXPECT_EQ(r.lastOf(Kind::Resumable)->detail, kTag);
            } else {
                EXPECT_EQ(listFolder(movies.path()), Texts{});
            }
        }
    }
    srv.ranged("/movie", body, kTag);
    const JobRun r = run(continuing(kTag, static_cast<long long>(body.size())));
    EXPECT_EQ(r.last().kind, Kind::Finished);
    EXPECT_EQ(header(srv.lastHeaders("/movie"), "Range"), "bytes=" + std::to_string(half) + "-");
    EXPECT_TRUE(readFile(movies.file("Clip.mp4")) == body);
    EXPECT_FALSE(fs::exists(part));
}

} // namespace

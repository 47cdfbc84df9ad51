#include "JobRecorder.h"
#include "base/CancelToken.h"
#include "files/ByteRanges.h"
#include "files/StagedFile.h"
#include "http/HostBudget.h"
#include "http/PiecePlan.h"
#include "jobs/DownloadJob.h"
#include "support/PieceRoute.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;
using Kind = JobEvent::Kind;
constexpr std::size_t MiB = 1 << 20;

class PiecesTest : public ::testing::Test {
protected:
    void SetUp() override {
        srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"6", srv.url("/movie")}});
    }
    // A job over four connections, continuing what options say; stop sees
    // each event and may stop it.
    std::vector<JobEvent> run(JobOptions options = {},
                              std::function<void(const JobEvent&, CancelToken&)> stop = {}) {
        JobOptions job = jobOptions(srv.url("/watch"), "Clip", 2, movies.path(), movies.path());
        job.resume = options.resume;
        job.resume.partFile = part;
        job.connections = 4;
        job.hostBudget = budget;
        auto token = std::make_shared<CancelToken>();
        std::vector<JobEvent> events;
        DownloadJob(
            std::move(job), JobRecorder::nextId(),
            [&](const JobEvent& e) {
                events.push_back(e);
                if (stop)
                    stop(e, *token);
            },
            token)
            .run();
        return events;
    }

    FixtureServer srv;
    TempFolder movies;
    std::shared_ptr<HostBudget> budget = std::make_shared<HostBudget>();
    const std::string part = StagedFile::stablePath(movies.path(), "Clip", "3");
    const std::string body = "FLV\x01" + testBytes(5 * MiB + 12345, 1);
    const std::string newer = "FLV\x01" + testBytes(5 * MiB + 999, 2);
};

// Whatever the server does with pieces, the file is exactly one version of
// it: a server that slows down each connection gets ranges over several,
// in the identity encoding; one that answers a range with the whole file, or
// with a piece of another version, has the file fetched again over one
// connection from its start; one that refuses a third connection has its
// pieces taken over by the others.
TEST_F(PiecesTest, AFileInPiecesIsExactlyOneVersionOfIt) {
    struct Case {
        const char* name;
        PieceRoute route;
        const std::string& saved;
    };
    PieceRoute paced;
    paced.bytes = body;
    paced.perAnswer = 8 * MiB;
    PieceRoute ignores = paced;
    ignores.ignoresRanges = true;
    PieceRoute busy = paced;
    busy.perAnswer = 2 * MiB;
    busy.atOnce = 2;
    PieceRoute changes = paced;
    changes.changesAt = 3;
    changes.changed = newer;
    for (const Case& c : std::vector<Case>{{"paced", paced, body},
                                           {"ignores ranges", ignores, body},
                                           {"refuses a third", busy, body},
                                           {"changes", changes, newer}}) {
        SCOPED_TRACE(c.name);
        fs::remove(movies.file("Clip.flv"));
        const auto counts = servePieces(srv, "/movie", c.route);
        const std::vector<JobEvent> events = run();
        ASSERT_EQ(events.back().kind, Kind::Finished);
        EXPECT_TRUE(readFile(movies.file("Clip.flv")) == c.saved);
        EXPECT_FALSE(fs::exists(part));
        EXPECT_EQ(budget->held("127.0.0.1"), 0);
        // Progress is the sum of all connections, never past the file, and
        // of the whole file from the first answer on (not of its first 64 KiB).
        for (const JobEvent& e : events) {
            if (e.kind == Kind::Progress) {
                EXPECT_LE(e.done, static_cast<double>(c.saved.size()));
                EXPECT_TRUE(e.total == 0 || e.total == double(body.size()) ||
                            e.total == double(newer.size()))
                    << e.total;
            }
        }
        const std::string name = c.name;
        if (name == "paced") {
            EXPECT_GE(counts->ranged, 4);
            EXPECT_EQ(srv.lastHeader("/movie", "Accept-Encoding"), "") << "a piece's encoding";
        } else if (name == "refuses a third") {
            EXPECT_GT(counts->refused, 0);
        } else {
            // Not the last request the server saw: one cut before it may reach
            // a server thread after it. The file came whole from one stream.
            EXPECT_TRUE(waitUntil([&] { return counts->wholeStreams > 0; }))
                << "the last try is one stream";
        }
    }
}

// One connection far behind (2 KB/s, which would take over eight minutes for
// its MiB) never holds the file: an idle one takes over what is left of its
// piece, small as it is.
TEST_F(PiecesTest, AnIdleConnectionTakesOverFromOneFarBehind) {
    PieceRoute route;
    route.bytes = "FLV\x01" + testBytes(6 * MiB - 4, 3);
    route.slowAt = 2 * MiB;
    route.slowPace = 2000;
    servePieces(srv, "/movie", route);
    ASSERT_EQ(run().back().kind, Kind::Finished);
    EXPECT_TRUE(readFile(movies.file("Clip.flv")) == route.bytes);
}

// A part file of pieces is continued from its record alone: a job paused
// midway records the pieces on disk, the next one asks only for the rest; a
// record that does not fit the file (another size) starts it over.
TEST_F(PiecesTest, ContinuesFromThePiecesRecordedOnly) {
    PieceRoute slow;
    slow.bytes = body;
    // Slower than a record's interval for each piece.
    slow.perAnswer = MiB / 2;
    servePieces(srv, "/movie", slow);
    JobOptions paused;
    const std::vector<JobEvent> first = run({}, [&](const JobEvent& e, CancelToken& token) {
        if (e.kind == Kind::Resumable && e.resume.ranges.size() > 8) {
            paused.resume = e.resume;
            token.pause();
        }
    });
    ASSERT_EQ(first.back().kind, Kind::Paused);
    // The first record, before any piece is written, names none.
    const auto told = std::find_if(first.begin(), first.end(), [](const JobEvent& e) {
        return e.kind == Kind::Resumable && !e.resume.ranges.empty();
    });
    ASSERT_NE(told, first.end());
    EXPECT_EQ(told->resume.ranges, "bytes=");
    EXPECT_EQ(told->resume.validator, "\"piece-1\"");
    // The last record is of what is on disk when the job stopped.
    const JobEvent& last = *std::find_if(
        first.rbegin(), first.rend(), [](const JobEvent& e) { return e.kind == Kind::Resumable; });
    const auto onDisk = ByteRanges::parse(last.resume.ranges, static_cast<long long>(body.size()));
    ASSERT_TRUE(onDisk);
    for (const auto& span : onDisk->spans())
        EXPECT_TRUE(readFile(part).substr(span.from, span.size()) ==
                    body.substr(span.from, span.size()));
    paused.resume.ranges = last.resume.ranges;

    PieceRoute fast;
    fast.bytes = body;
    const auto counts = servePieces(srv, "/movie", fast);
    ASSERT_EQ(run(paused).back().kind, Kind::Finished);
    EXPECT_TRUE(readFile(movies.file("Clip.flv")) == body);
    EXPECT_EQ(counts->sent, static_cast<long long>(body.size()) - onDisk->bytes());

    fs::remove(movies.file("Clip.flv"));
    writeFile(part, body.substr(0, MiB));
    const auto again = servePieces(srv, "/movie", fast);
    ASSERT_EQ(run(paused).back().kind, Kind::Finished);
    EXPECT_TRUE(readFile(movies.file("Clip.flv")) == body);
    EXPECT_EQ(again->firstFrom, 0) << "started over";
}

// Which connection fetches what: the first bytes nobody fetches (up to a
// maximum), then from an owner that is behind the back half of the largest
// piece left while each half keeps its minimum, else all that is left of
// it; what a connection gives up goes to the others. Pieces on disk are
// text that reads back as it was written, and nothing else does.
TEST(PiecePlanTest, TakesOverFromTheOwnerBehindAndKeepsItsRecord) {
    const long long m = MiB;
    PiecePlan plan(4 * m, {}, m);
    EXPECT_EQ(plan.take(0)->from, 0);
    EXPECT_EQ(plan.take(1)->from, 2 * m);
    EXPECT_EQ(plan.end(0), 2 * m);
    plan.wrote(0, m + m / 2);
    EXPECT_EQ(plan.take(2)->from, 3 * m) << "the largest left";
    const auto behind = [](int owner, long long) { return owner == 2; };
    EXPECT_EQ(plan.take(3, behind)->from, 3 * m) << "a MiB is not halved: all of it";
    EXPECT_FALSE(plan.has(2)) << "its owner stops at its next bytes";
    EXPECT_FALSE(plan.take(4, [](int, long long) { return false; })) << "nobody behind";
    plan.release(1);
    EXPECT_EQ(plan.take(4)->from, 2 * m) << "given up, taken over";
    EXPECT_EQ(plan.done().text(), "bytes=0-" + std::to_string(m + m / 2 - 1));
    PiecePlan capped(4 * m, {}, m, m);
    EXPECT_EQ(capped.take(0)->to, m) << "pieces of at most maxPiece, one after the other";
    EXPECT_EQ(capped.take(1)->from, m);

    ByteRanges done;
    done.add(0, 10);
    done.add(20, 30);
    done.add(10, 12);
    EXPECT_EQ(done.text(), "bytes=0-11,20-29");
    EXPECT_EQ(ByteRanges::parse(done.text(), 30), done);
    EXPECT_EQ(ByteRanges::parse("bytes=", 30)->bytes(), 0);
    for (const char* bad : {"", "0-11", "bytes=0-11,12-29", "bytes=20-29,0-11", "bytes=0-30",
                            "bytes=0-11,", "bytes=a-b"})
        EXPECT_FALSE(ByteRanges::parse(bad, 30)) << bad;
    EXPECT_EQ(done.missing(40), (std::vector<ByteRanges::Span>{{12, 20}, {30, 40}}));

    HostBudget budget(2);
    auto a = budget.take("h"), b = budget.take("h");
    EXPECT_FALSE(budget.take("h"));
    EXPECT_TRUE(budget.take("h", true)) << "a transfer's first connection always runs";
    EXPECT_TRUE(budget.take("other"));
    a = {};
    EXPECT_TRUE(budget.take("h"));
    EXPECT_EQ(HostBudget::hostOf("http://User@Example.COM:81/x?y"), "example.com");
}

} // namespace

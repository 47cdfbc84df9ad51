#include "support/FixtureServer.h"
#include "support/PieceRoute.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"
#include "tools/get/ResumeNote.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace {

using testfiles::readFile;
constexpr std::size_t MiB = 1 << 20;

// quillmoth-get --connections N: 1 to 16, 4 by default; one connection
// fetches the file as one stream. A run stopped midway with --continue
// leaves a note of its pieces that a reader of two-line notes cannot take
// for its own, and the next run asks only for what the note lacks.
TEST(GetPiecesTest, ConnectionsAndTheNoteOfTheirPieces) {
    FixtureServer srv;
    TempFolder dir;
    const std::string movies = dir.folder("movies").string(), part = movies + "/Clip.part";
    const std::string body = "FLV\x01" + testBytes(6 * MiB, 3);
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"34", srv.url("/movie")}});
    auto get = [&](std::vector<std::string> options) {
        std::vector<std::string> args = {quillmothGetPath(), "--title", "Clip", "--movies", movies};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(srv.url("/watch"));
        return args;
    };
    for (const char* bad : {"0", "17", "x", ""})
        EXPECT_EQ(runProgram(get({"--connections", bad}), dir.path()).status, 2) << bad;

    PieceRoute route;
    route.bytes = body;
    auto counts = servePieces(srv, "/movie", route);
    EXPECT_EQ(runProgram(get({"--connections=1"}), dir.path()).status, 0);
    EXPECT_EQ(counts->ranged, 0);
    EXPECT_TRUE(readFile(movies + "/Clip.flv") == body);
    std::filesystem::remove(movies + "/Clip.flv");

    // Each piece slower than a note's interval: the run is stopped once a
    // note names pieces on disk.
    route.perAnswer = MiB / 2;
    servePieces(srv, "/movie", route);
    ToolRun stopped(get({"--continue"}), dir.path());
    EXPECT_TRUE(waitUntil([&] {
        const auto note = ResumeNote::read(part);
        return note && note->ranges.size() > 8;
    }));
    stopped.signal(SIGTERM);
    EXPECT_EQ(stopped.finish().status, 128 + SIGTERM);
    const std::string noteText = readFile(ResumeNote::pathOf(part));
    const auto second = noteText.find('\n') + 1;
    EXPECT_EQ(noteText.substr(0, second), "quillmoth-resume 2\n");
    EXPECT_EQ(noteText.substr(second, 13), "ranges bytes=") << "no number: not a two-line note";
    const auto note = ResumeNote::read(part);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->validator, "\"piece-1\"");
    EXPECT_EQ(note->total, static_cast<long long>(body.size()));

    route.perAnswer = 0;
    counts = servePieces(srv, "/movie", route);
    EXPECT_EQ(runProgram(get({"--continue"}), dir.path()).status, 0);
    EXPECT_TRUE(readFile(movies + "/Clip.flv") == body);
    EXPECT_LT(counts->sent, static_cast<long long>(body.size())) << "only what the note lacks";
    EXPECT_EQ(testfiles::listFolder(movies), std::vector<std::string>{"Clip.flv"});
}

} // namespace

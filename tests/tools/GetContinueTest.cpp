#include "FixtureServer.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testfiles::listFolder;
using testfiles::readFile;
using Names = std::vector<std::string>;

const std::string kTag = "\"v1\"";

// quillmoth-get --continue: a run stopped midway, by a signal or killed
// outright, leaves its part file and note, and the next run with --continue
// asks for the rest only. Without --continue the next run starts the part
// file over, and nothing is left once a run ends.
TEST(GetContinueTest, ContinuesWhatAStoppedRunLeft) {
    FixtureServer srv;
    TempFolder dir;
    const fs::path movies = dir.folder("movies");
    const std::string part = (movies / "Clip.part").string();
    const std::string body = "FLV\x01" + testBytes(200000);
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"34", srv.url("/movie")}});
    auto args = [&](bool resume) {
        std::vector<std::string> all = {quillmothGetPath(), "--title",       "Clip",
                                        "--movies",         movies.string(), srv.url("/watch")};
        if (resume)
            all.insert(all.begin() + 1, "--continue");
        return all;
    };
    auto range = [&] {
        const httplib::Headers sent = srv.lastHeaders("/movie");
        const auto it = sent.find("Range");
        return it == sent.end() ? std::string("(none)") : it->second;
    };
    // A run whose body stalls at byte `at`, sent sig once the part file holds it.
    auto stopAt = [&](std::size_t at, bool resume, int sig) {
        srv.ranged("/movie", body, kTag, at);
        ToolRun run(args(resume), dir.path());
        EXPECT_TRUE(waitUntil([&] {
            std::error_code ec;
            return fs::file_size(part, ec) == at && !ec;
        }));
        run.signal(sig);
        return run.finish();
    };
    const std::size_t quarter = body.size() / 4, half = body.size() / 2;

    ToolResult r = stopAt(quarter, true, SIGTERM);
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_EQ(listFolder(movies.string()), (Names{"Clip.part", "Clip.part.resume"}));
    r = stopAt(half, true, SIGKILL);
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_EQ(range(), "bytes=" + std::to_string(quarter) + "-");
    srv.ranged("/movie", body, kTag);
    r = runProgram(args(true), dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(range(), "bytes=" + std::to_string(half) + "-");
    EXPECT_TRUE(readFile((movies / "Clip.flv").string()) == body);
    EXPECT_EQ(listFolder(movies.string()), Names{"Clip.flv"});

    fs::remove(movies / "Clip.flv");
    r = stopAt(half, false, SIGKILL);
    EXPECT_EQ(listFolder(movies.string()), (Names{"Clip.part", "Clip.part.resume"}));
    srv.ranged("/movie", body, kTag);
    r = runProgram(args(false), dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(range(), "(none)");
    EXPECT_TRUE(readFile((movies / "Clip.flv").string()) == body);
    EXPECT_EQ(listFolder(movies.string()), Names{"Clip.flv"});
}

} // namespace

#include "support/FixtureServer.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

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

// quillmoth-get --continue: a run stopped midway, by a signal or killed
// outright, leaves its part file and note, and the next run with --continue
// asks for the rest only. Without --continue the next run starts the part
// file over, and nothing is left once a run ends.
TEST(GetContinueTest, ContinuesWhatAStoppedRunLeft) {
    FixtureServer srv;
    TempFolder dir;
    const std::string movies = dir.folder("movies").string(), part = movies + "/Clip.part";
    const std::string body = "FLV\x01" + testBytes(200000);
    const std::size_t quarter = body.size() / 4, half = body.size() / 2;
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"34", srv.url("/movie")}});
    auto get = [&](bool resume) {
        std::vector<std::string> args = {quillmothGetPath(), "--title", "Clip", "--movies", movies};
        if (resume)
            args.push_back("--continue");
        args.push_back(srv.url("/watch"));
        return args;
    };
    // A run whose body stalls at byte at, sent sig once its part file holds that much.
    auto stopAt = [&](std::size_t at, bool resume, int sig) {
        srv.ranged("/movie", body, "\"v1\"", at);
        ToolRun run(get(resume), dir.path());
        std::error_code ec;
        EXPECT_TRUE(waitUntil([&] { return fs::file_size(part, ec) == at; }));
        run.signal(sig);
        return run.finish();
    };
    EXPECT_EQ(stopAt(quarter, true, SIGTERM).status, 128 + SIGTERM);
    EXPECT_EQ(listFolder(movies), (Names{"Clip.part", "Clip.part.resume"}));
    EXPECT_EQ(stopAt(half, true, SIGKILL).signal, SIGKILL);
    EXPECT_EQ(srv.lastHeader("/movie", "Range"), "bytes=" + std::to_string(quarter) + "-");
    srv.ranged("/movie", body, "\"v1\"");
    EXPECT_EQ(runProgram(get(true), dir.path()).status, 0);
    EXPECT_EQ(srv.lastHeader("/movie", "Range"), "bytes=" + std::to_string(half) + "-");
    EXPECT_TRUE(readFile(movies + "/Clip.flv") == body);

    fs::remove(movies + "/Clip.flv");
    EXPECT_EQ(stopAt(half, false, SIGKILL).signal, SIGKILL);
    EXPECT_EQ(listFolder(movies), (Names{"Clip.part", "Clip.part.resume"}));
    srv.ranged("/movie", body, "\"v1\"");
    EXPECT_EQ(runProgram(get(false), dir.path()).status, 0);
    EXPECT_EQ(srv.lastHeader("/movie", "Range"), "");
    EXPECT_TRUE(readFile(movies + "/Clip.flv") == body);
    EXPECT_EQ(listFolder(movies), Names{"Clip.flv"});
}

} // namespace

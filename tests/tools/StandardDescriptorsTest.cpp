#include "support/FixtureServer.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using testfiles::listFolder;
using testfiles::readFile;

// Started with standard descriptors closed, the tool must not give their
// numbers to its own files: a status line written to "stdout" would land in
// the movie. MP4 bytes from an FLV stream make the job say "setmp4" while
// the movie is open.
TEST(StandardDescriptorsTest, ClosedDescriptorsNeverReachTheMovie) {
    FixtureServer srv;
    TempFolder dir;
    const std::string mp4Head("\0\0\0\030ftypisom", 12);
    const std::string bytes = mp4Head + testBytes(200000);
    srv.watchPage("/watch", "Clip", {{"5", srv.url("/movie")}, {"6", srv.url("/movie")}});
    srv.stream("/movie", bytes);

    for (const std::vector<int>& closed : {std::vector<int>{1}, std::vector<int>{0, 1, 2}}) {
        const std::string which = ::testing::PrintToString(closed);
        ToolRun run({quillmothGetPath(), "--title", "Clip", srv.url("/watch")}, dir.path(), closed);
        const ToolResult r = run.finish();
        EXPECT_EQ(r.status, 0) << which;
        EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"Clip.mp4"}) << which;
        EXPECT_TRUE(readFile(dir / "Clip.mp4") == bytes) << which;
        std::filesystem::remove(dir / "Clip.mp4");
    }
}

} // namespace

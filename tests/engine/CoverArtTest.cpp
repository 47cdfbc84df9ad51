#include "media/CoverArt.h"
#include "JobRecorder.h"
#include "Trickle.h"
#include "jobs/CoverFetch.h"
#include "jobs/JobOptions.h"
#include "media/FfmpegArguments.h"
#include "media/ProcessRunner.h"
#include "support/FixtureServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace enginetest;

// A picture of width x height made by the real ffmpeg, as file type ext.
std::string picture(const TempDir& dir, int width, int height, const std::string& ext) {
    const std::string path =
        dir.file(std::to_string(width) + "x" + std::to_string(height) + "." + ext);
    EXPECT_EQ(ProcessRunner({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                             "testsrc=size=" + std::to_string(width) + "x" + std::to_string(height),
                             "-frames:v", "1", "-y", path})
                  .run(),
              0)
        << path;
    return readFile(path);
}

// ffmpeg decodes no picture of more than maxCoverPixels for a cover (a
// 16000x16000 one took it most of a gigabyte): the decoder's bound stands
// before the picture is read.
TEST(CoverArtTest, ThePixelBoundIsADecoderOptionOfThePicture) {
    const std::vector<std::string> args =
        FfmpegArguments::coverJpeg("/tmp/p.png", "png_pipe", "/tmp/c.jpg");
    const auto bound = std::find(args.begin(), args.end(), "-max_pixels");
    const auto input = std::find(args.begin(), args.end(), "-i");
    ASSERT_NE(bound, args.end());
    ASSERT_LT(bound, input);
    EXPECT_EQ(*(bound + 1), std::to_string(FfmpegArguments::maxCoverPixels));
    EXPECT_EQ(FfmpegArguments::maxCoverPixels, 2048 * 2048);
}

// A picture of exactly the bound makes a cover; one pixel column more, as
// PNG or GIF, makes none, and never an error.
TEST(CoverArtTest, APictureOverThePixelBoundGivesNoCover) {
    FixtureServer srv;
    TempDir dir;
    srv.body("/at.png", picture(dir, 2048, 2048, "png"), "image/png");
    srv.body("/over.png", picture(dir, 2049, 2048, "png"), "image/png");
    srv.body("/over.gif", picture(dir, 2049, 2048, "gif"), "image/gif");
    const JobOptions options;
    {
        CoverArt cover;
        EXPECT_TRUE(CoverFetch::fetch(cover, options, srv.url("/at.png"), nullptr));
        EXPECT_FALSE(readFile(cover.jpeg()).empty());
    }
    for (const char* path : {"/over.png", "/over.gif"}) {
        SCOPED_TRACE(path);
        CoverArt cover;
        EXPECT_FALSE(CoverFetch::fetch(cover, options, srv.url(path), nullptr));
        EXPECT_EQ(cover.jpeg(), "");
        EXPECT_EQ(srv.hits(path), 1);
    }
}

// A picture that trickles (16 bytes a second) ends at the picture's
// deadline: no cover.
TEST(CoverArtTest, APictureThatTricklesGivesNoCover) {
    FixtureServer srv;
    trickle(srv, "/slow.png", "\x89PNG\r\n\x1a\n", "image/png");
    JobOptions options;
    options.pictureDeadlineSeconds = 1;
    CoverArt cover;
    EXPECT_FALSE(CoverFetch::fetch(cover, options, srv.url("/slow.png"), nullptr));
    EXPECT_EQ(cover.jpeg(), "");
    EXPECT_EQ(srv.hits("/slow.png"), 1);
}

} // namespace

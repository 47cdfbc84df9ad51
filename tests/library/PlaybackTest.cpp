// The player page in a real pane, wherever the program was started from: it
// fills the pane without scroll bars, says so when its file cannot be read,
// and when it is handed a format the browser cannot play. Playing every kind
// of file end to end is HomePlayerTest's.
#include "support/gui/PageProbe.h"
#include "library/PlayerPage.h"
#include "support/TempFolder.h"
#include "support/ToolRun.h"
#include "toolkit/BrowserPane.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        startDir = fs::current_path();
        // The page must not depend on the working folder.
        fs::current_path(folder.folder("Elsewhere"));
        movies = folder.folder("Movies \"#1?\"").string();
        dataFolder = folder.file("Data");
    }
    void TearDown() override { fs::current_path(startDir); }

    TempFolder folder;
    fs::path startDir;
    std::string movies, dataFolder;
};

} // namespace

TEST_F(PlaybackTest, MoviePageFitsThePaneBeforeAndAfterAResize) {
    // Wide picture in a tall pane and the other way round: the picture keeps
    // its aspect inside the pane (object-fit), the page never scrolls.
    const std::string clip = movies + "/It's \"100%\" <b>&co.MP4";
    ASSERT_TRUE(
        makeClip({"-f", "lavfi", "-i", "testsrc=duration=3:size=320x120:rate=15", "-f", "lavfi",
                  "-i", "sine=frequency=440:duration=3", "-c:v", "libx264", "-pix_fmt", "yuv420p",
                  "-c:a", "aac", "-shortest", "-movflags", "+faststart"},
                 clip));
    const std::string page = PlayerPage::writeFor(clip, dataFolder);
    ASSERT_FALSE(page.empty());

    BrowserPane pane;
    pane.allowAutoplay(true);
    pane.resize(640, 480);
    pane.show();
    ASSERT_TRUE(pageprobe::load(pane, page));

    QJsonObject seen = pageprobe::waitFor(pane.page(), [](const QJsonObject& s) {
        return s.value("state").toString() == "playing" || s.value("state").toString() == "error";
    });
    std::cout << "[ figures  ] 640x480: " << pageprobe::text(seen) << std::endl;
    EXPECT_EQ(seen.value("state").toString(), "playing");
    EXPECT_EQ(seen.value("kind").toString(), "video");
    EXPECT_TRUE(pageprobe::fits(seen)) << pageprobe::text(seen);
    EXPECT_EQ(seen.value("fit").toString(), "contain");
    EXPECT_EQ(seen.value("mediaWidth").toInt(), seen.value("viewWidth").toInt());
    EXPECT_EQ(seen.value("mediaHeight").toInt(), seen.value("viewHeight").toInt());

    pane.resize(300, 700);
    seen = pageprobe::waitFor(
        pane.page(), [](const QJsonObject& s) { return s.value("viewWidth").toInt() == 300; });
    std::cout << "[ figures  ] 300x700: " << pageprobe::text(seen) << std::endl;
    EXPECT_EQ(seen.value("viewHeight").toInt(), 700);
    EXPECT_TRUE(pageprobe::fits(seen)) << pageprobe::text(seen);
    EXPECT_EQ(seen.value("mediaWidth").toInt(), 300);
    EXPECT_EQ(seen.value("mediaHeight").toInt(), 700);
    EXPECT_EQ(seen.value("error").toInt(), 0);
}

TEST_F(PlaybackTest, FlvPageSaysItCannotPlay) {
    // Only reached when something handed the page an unconverted FLV.
    const std::string clip = movies + "/Old <i>talk<i> &amp; co.flv";
    std::ofstream(clip) << "FLV";
    const std::string page = PlayerPage::writeFor(clip, dataFolder);
    ASSERT_FALSE(page.empty());

    BrowserPane pane;
    pane.resize(640, 480);
    ASSERT_TRUE(pageprobe::load(pane, page));

    const QJsonObject seen = pageprobe::waitFor(pane.page(), pageprobe::settled);
    EXPECT_EQ(seen.value("state").toString(), "unsupported");
    EXPECT_EQ(seen.value("kind").toString(), "");
    EXPECT_TRUE(seen.value("text").toString().contains("cannot play"))
        << seen.value("text").toString().toStdString();
    EXPECT_TRUE(seen.value("text").toString().contains("Old <i>talk<i> &amp; co.flv"))
        << "the name is shown as text";
    EXPECT_TRUE(pageprobe::fits(seen)) << pageprobe::text(seen);
}

TEST_F(PlaybackTest, UnreadableFileSaysItCouldNotBePlayed) {
    const std::string clip = movies + "/Broken <b>clip<b> &amp;.mp4";
    std::ofstream(clip) << "not a movie";
    const std::string page = PlayerPage::writeFor(clip, dataFolder);
    ASSERT_FALSE(page.empty());

    BrowserPane pane;
    pane.resize(640, 480);
    ASSERT_TRUE(pageprobe::load(pane, page));

    const QJsonObject seen = pageprobe::waitFor(pane.page(), pageprobe::settled);
    EXPECT_EQ(seen.value("state").toString(), "error");
    EXPECT_NE(seen.value("error").toInt(), 0);
    EXPECT_EQ(seen.value("text").toString(),
              QStringLiteral("\"Broken <b>clip<b> &amp;.mp4\" could not be played."))
        << pageprobe::text(seen);
    EXPECT_EQ(seen.value("mediaHeight").toInt(), 0) << "the empty player is hidden";
    EXPECT_TRUE(pageprobe::fits(seen)) << pageprobe::text(seen);
}

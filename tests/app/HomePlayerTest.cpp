// Playing library files in the Home pane end to end: real clips made by
// ffmpeg, real playable copies, a real QtWebEngine pane, started from an
// unrelated working directory.
#include "app/window/HomePlayer.h"
#include "app/window/HomeTab.h"
#include "base/WorkRunner.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"
#include "support/gui/PageProbe.h"
#include "toolkit/BrowserPane.h"
#include "transfers/ReasonTexts.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Way = PlayableCopy::Way;
using Outcome = PlayableCopy::Outcome;

namespace {

// Picture and sound of a given length, as lavfi inputs.
std::vector<std::string> sources(const std::string& seconds, const std::string& size) {
    return {"-f",       "lavfi", "-i", "testsrc=duration=" + seconds + ":size=" + size + ":rate=25",
            "-f",       "lavfi", "-i", "sine=frequency=440:duration=" + seconds,
            "-shortest"};
}

std::vector<std::string> with(std::vector<std::string> inputs,
                              const std::vector<std::string>& codecs) {
    inputs.insert(inputs.end(), codecs.begin(), codecs.end());
    return inputs;
}

const std::vector<std::string> Flv1Mp3 = {"-c:v", "flv",   "-c:a", "libmp3lame",
                                          "-ar",  "44100", "-f",   "flv"};
const std::vector<std::string> H264Aac = {"-c:v",     "libx264", "-preset", "veryfast",
                                          "-pix_fmt", "yuv420p", "-c:a",    "aac"};

// A copy only ever appears by rename, so a new one has a new inode.
struct Stamp {
    ino_t inode = 0;
    off_t size = 0;
};

Stamp stampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_ino, info.st_size};
}

// Files the cache folder holds that are not finished copies.
std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> odd;
    if (!fs::exists(folder))
        return odd;
    for (const auto& name : testfiles::listFolder(folder))
        if (fs::path(name).extension() != ".mp4")
            odd.push_back(name);
    return odd;
}

// Waits until the pane's player plays path (or fails); the last report.
QJsonObject waitForPlayer(BrowserPane* pane, const std::string& path) {
    return pageprobe::waitFor(pane->page(), [&](const QJsonObject& s) {
        return pageprobe::source(s) == path &&
               (pageprobe::played(s) || s.value("error").toInt() != 0 ||
                s.value("state").toString() == "error");
    });
}

bool noFfmpegRunning() {
    return childProcesses(getpid(), "ffmpeg").empty() &&
           childProcesses(getpid(), "ffprobe").empty();
}

class HomePlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clips = std::make_unique<TempFolder>(); // freed in TearDownTestSuite
        const std::string at = clips->folder("Movies").string();
        flv1 = at + "/Talk <b>&amp; \"1\".flv";
        h264Flv = at + "/News #2?.flv";
        mp4 = at + "/Clip 100%.MP4";
        mp3 = at + "/Song 'live'.mp3";
        broken = at + "/Broken <img src=x onerror=\"document.title='owned'\">.flv";
        longFlv1 = at + "/Long <img src=x onerror=\"document.title='owned'\"> talk.flv";
        longH264Flv = at + "/Long news.flv";
        made =
            makeClip(with(sources("3", "320x240"), Flv1Mp3), flv1) &&
            makeClip(with(sources("3", "320x240"), with(H264Aac, {"-f", "flv"})), h264Flv) &&
            makeClip(with(sources("3", "320x240"), with(H264Aac, {"-f", "mp4"})), mp4) &&
            makeClip({"-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-c:a", "libmp3lame"},
                     mp3) &&
            makeClip(with(sources("180", "320x240"), Flv1Mp3), longFlv1);
        // An FLV header and then nonsense.
        testfiles::writeFile(broken,
                             std::string("FLV\x01\x05\0\0\0\x09", 9) + std::string(4096, '\x7f'));
    }
    static void TearDownTestSuite() { clips.reset(); }

    void SetUp() override {
        ASSERT_TRUE(made) << "ffmpeg could not make the test clips";
        startDir = fs::current_path();
        // The program may be started from anywhere.
        fs::current_path(folder.folder("Elsewhere"));
        dataFolder = folder.folder("Data").string() + "/";
    }
    void TearDown() override { fs::current_path(startDir); }

    // Plays media and waits for the play to end; the results it reported.
    std::vector<PlayableCopy::Result> playAndWait(HomePlayer& player, const std::string& media) {
        std::vector<PlayableCopy::Result> results;
        const auto connection = QObject::connect(
            &player, &HomePlayer::finished,
            [&](const PlayableCopy::Result& result) { results.push_back(result); });
        player.play(media);
        (void)QTest::qWaitFor([&] { return !results.empty(); }, 60000);
        QObject::disconnect(connection);
        return results;
    }

    static inline std::unique_ptr<TempFolder> clips;
    static inline bool made = false;
    static inline std::string flv1, h264Flv, mp4, mp3, broken, longFlv1, longH264Flv;
    // Outlives every player of a test: their preparations run on its workers.
    WorkRunner runner;
    TempFolder folder;
    fs::path startDir;
    std::string dataFolder;
};

} // namespace

TEST_F(HomePlayerTest, EveryKindOfFilePlaysAndAnFlvsSecondPlayUsesItsCopy) {
    HomeTab tab(dataFolder);
    tab.setRunner(runner);
    tab.resize(640, 480);
    tab.show();
    HomePlayer& player = *tab.player();
    BrowserPane* pane = tab.browser();
    EXPECT_EQ(player.cacheFolder(), dataFolder + "PlayCache");

    struct Case {
        std::string media;
        Way way;
        const char* kind;
    };
    for (const Case& c : {Case{flv1, Way::Transcode, "video"}, Case{h264Flv, Way::Remux, "video"},
                          Case{mp4, Way::AsIs, "video"}, Case{mp3, Way::AsIs, "audio"}}) {
        SCOPED_TRACE(c.media);
        std::vector<PlayableCopy::Result> results;
        const auto connection = QObject::connect(
            &player, &HomePlayer::finished,
            [&](const PlayableCopy::Result& result) { results.push_back(result); });
        tab.play(c.media);
        // Nothing is cached yet: the pane says what it is doing at once.
        EXPECT_TRUE(player.isPreparing());
        (void)QTest::qWaitFor([&] { return !results.empty(); }, 60000);
        QObject::disconnect(connection);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].outcome, Outcome::Ready) << reasonName(results[0].reason);
        EXPECT_EQ(static_cast<int>(results[0].way), static_cast<int>(c.way));

        const QJsonObject seen = waitForPlayer(pane, results[0].path);
        std::cout << "[ figures  ] " << fs::path(c.media).filename() << ": "
                  << pageprobe::text(seen) << std::endl;
        EXPECT_EQ(seen.value("kind").toString(), c.kind);
        EXPECT_EQ(seen.value("error").toInt(), 0);
        EXPECT_TRUE(pageprobe::played(seen)) << pageprobe::text(seen);
        EXPECT_NEAR(seen.value("duration").toDouble(), 3.0, 0.5);
        EXPECT_EQ(seen.value("state").toString(), "playing");
        EXPECT_TRUE(pageprobe::fits(seen)) << pageprobe::text(seen);
        // A copy plays under the name the user knows.
        EXPECT_EQ(seen.value("title").toString().toStdString(),
                  fs::path(c.media).filename().string());
    }
    EXPECT_TRUE(leftovers(player.cacheFolder()).empty());
    // Files that play as they are get no copy; the two FLVs one each.
    EXPECT_EQ(testfiles::listFolder(player.cacheFolder()).size(), 2u);

    // Again: the copy plays at once, untouched, without a Preparing page.
    const std::string copy = PlayableCopy(player.cacheFolder()).cachedCopy(flv1);
    ASSERT_FALSE(copy.empty());
    const Stamp before = stampOf(copy);
    std::vector<PlayableCopy::Result> results;
    QObject::connect(&player, &HomePlayer::finished,
                     [&](const PlayableCopy::Result& result) { results.push_back(result); });
    tab.play(flv1);
    EXPECT_FALSE(player.isPreparing());
    ASSERT_EQ(results.size(), 1u) << "settled within play()";
    EXPECT_EQ(results[0].way, Way::Cached);
    EXPECT_EQ(results[0].path, copy);
    const QJsonObject seen = waitForPlayer(pane, copy);
    EXPECT_TRUE(pageprobe::playing(seen)) << pageprobe::text(seen);
    const Stamp after = stampOf(copy);
    EXPECT_NE(before.inode, 0u);
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_EQ(after.size, before.size);
}

TEST_F(HomePlayerTest, CorruptFileShowsWhyAndANewPlayReplacesOneStillPreparing) {
    BrowserPane pane;
    pane.resize(640, 480);
    pane.show();
    auto player = std::make_unique<HomePlayer>(&pane, dataFolder, runner);

    // A file ffmpeg cannot read: its name, as text, and the reason.
    const auto failed = playAndWait(*player, broken);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].outcome, Outcome::Failed);
    QJsonObject seen = pageprobe::waitFor(pane.page(), pageprobe::settled);
    EXPECT_EQ(seen.value("state").toString(), "failed") << pageprobe::text(seen);
    const QString text = seen.value("text").toString();
    EXPECT_TRUE(text.contains(QString::fromStdString(fs::path(broken).filename().string())))
        << text.toStdString();
    EXPECT_TRUE(text.contains(ReasonTexts::text(failed[0].reason))) << text.toStdString();
    EXPECT_NE(seen.value("title").toString(), "owned");
    EXPECT_TRUE(leftovers(player->cacheFolder()).empty());

    // A long transcode, replaced once ffmpeg reports progress: only the new
    // play reports, the old ffmpeg ends and leaves nothing in the cache.
    std::vector<PlayableCopy::Result> results;
    QObject::connect(player.get(), &HomePlayer::finished,
                     [&](const PlayableCopy::Result& result) { results.push_back(result); });
    player->play(longFlv1);
    seen = pageprobe::waitFor(pane.page(), [](const QJsonObject& s) {
        return s.value("state").toString() == "preparing" &&
               s.value("text").toString().contains("%");
    });
    EXPECT_TRUE(seen.value("text").toString().contains(
        QString::fromStdString(fs::path(longFlv1).filename().string())))
        << pageprobe::text(seen);
    EXPECT_EQ(seen.value("title").toString(), "Preparing…");
    EXPECT_TRUE(seen.value("text").toString().contains("%")) << "progress shown";
    player->play(mp4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 60000));
    EXPECT_EQ(results[0].way, Way::AsIs);
    seen = waitForPlayer(&pane, mp4);
    EXPECT_TRUE(pageprobe::played(seen)) << pageprobe::text(seen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->workerCount() == 0; }, 60000));
    EXPECT_EQ(results.size(), 1u) << "the replaced play stays quiet";
    EXPECT_TRUE(noFfmpegRunning());
    EXPECT_TRUE(PlayableCopy(player->cacheFolder()).cachedCopy(longFlv1).empty());
    EXPECT_TRUE(leftovers(player->cacheFolder()).empty());

    // Closing while ffmpeg makes a copy: cancelled, joined, nothing left behind.
    // The preparing page is probed once it has loaded: probes sent while
    // the pane navigates to it can hold the navigation up until the copy
    // is done.
    QSignalSpy preparing(pane.page(), &QWebEnginePage::loadFinished);
    player->play(longFlv1);
    ASSERT_TRUE(player->isPreparing());
    ASSERT_TRUE(preparing.wait(60000));
    seen = pageprobe::waitFor(pane.page(), [](const QJsonObject& s) {
        return s.value("state").toString() == "preparing" &&
               s.value("text").toString().contains("%");
    });
    ASSERT_TRUE(seen.value("text").toString().contains("%")) << pageprobe::text(seen);
    player.reset();
    EXPECT_TRUE(noFfmpegRunning());
    EXPECT_TRUE(leftovers(dataFolder + "PlayCache").empty());
}

// The subtitles saved beside a movie reach the pane's player, its copy's
// too: the browser reads the WebVTT file and the converted SubRip, and shows
// the one in the window's language.
TEST_F(HomePlayerTest, SubtitlesBesideAMoviePlayWithItAndWithItsCopy) {
    struct English {
        QLocale before;
        English() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
        ~English() { QLocale::setDefault(before); }
    } english;
    BrowserPane pane;
    pane.resize(640, 480);
    pane.show();
    HomePlayer player(&pane, dataFolder, runner);
    const std::string at = folder.folder("Subbed").string();
    for (const auto& [clip, name] :
         {std::pair{mp4, "/Clip #1.MP4"}, std::pair{h264Flv, "/News.flv"}}) {
        SCOPED_TRACE(name);
        const std::string movie = at + name;
        fs::copy_file(clip, movie);
        const std::string title = fs::path(movie).stem().string();
        testfiles::writeFile(at + "/" + title + ".en.vtt",
                             "WEBVTT\n\n00:00.000 --> 00:02.500\nHello\n");
        testfiles::writeFile(at + "/" + title + ".de.srt",
                             "1\r\n00:00:00,000 --> 00:00:02,500\r\nGr\xFC\xDF"
                             "e\r\n");
        const auto results = playAndWait(player, movie);
        ASSERT_EQ(results.size(), 1u);
        ASSERT_EQ(results[0].outcome, Outcome::Ready);
        waitForPlayer(&pane, results[0].path);

        // Tracks not shown load their cues once asked to (hidden).
        const QString script = QStringLiteral(
            "Array.from(document.querySelector('video').textTracks).map(function (t) {"
            "  var seen = [t.language, t.label, t.mode, t.cues && t.cues.length ? t.cues[0].text"
            "  : ''].join('|'); if (t.mode === 'disabled') t.mode = 'hidden'; return seen;"
            "}).join('\\n')");
        QString seen;
        const auto loaded = [&] {
            bool answered = false;
            pane.page()->runJavaScript(script, [&](const QVariant& value) {
                seen = value.toString();
                answered = true;
            });
            (void)QTest::qWaitFor([&] { return answered; }, 20000);
            return seen.count('|') == 6 && !seen.contains("|\n") && !seen.endsWith('|');
        };
        EXPECT_TRUE(QTest::qWaitFor(loaded, 60000))
            << seen.toStdString() << testfiles::readFile(dataFolder + "player.html");
        EXPECT_EQ(seen.toStdString(), "de|Deutsch|hidden|Gr\xC3\xBC\xC3\x9F"
                                      "e\nen|English|showing|Hello");
    }
}

// Time from play() to the picture moving, for a three-minute FLV of each
// kind, once the pane has played something (the first video of a session
// also waits for the browser's media processes). Figures only, so it runs
// from bench/play_time.sh rather than with the suite.
TEST_F(HomePlayerTest, DISABLED_TimeToPlayingForLongFlvs) {
    BrowserPane pane;
    pane.resize(640, 480);
    pane.show();
    HomePlayer player(&pane, dataFolder, runner);
    // Only the figures need it, and it takes a while to make.
    ASSERT_TRUE(makeClip(
        with(sources("180", "640x360"), {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
                                         "yuv420p", "-c:a", "aac", "-f", "flv"}),
        longH264Flv));
    QElapsedTimer warm;
    warm.start();
    playAndWait(player, mp4);
    waitForPlayer(&pane, mp4);
    std::cout << "[ figures  ] first video of the pane (" << fs::path(mp4).filename()
              << ", as is): playing after " << warm.elapsed() << " ms" << std::endl;

    for (const auto& [media, way] :
         {std::pair{longFlv1, Way::Transcode}, std::pair{longH264Flv, Way::Remux}}) {
        QElapsedTimer clock;
        clock.start();
        const auto results = playAndWait(player, media);
        const qint64 ready = clock.elapsed();
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].way, way);
        const QJsonObject seen = waitForPlayer(&pane, results[0].path);
        const qint64 playing = clock.elapsed();
        EXPECT_TRUE(pageprobe::playing(seen)) << pageprobe::text(seen);
        EXPECT_NEAR(seen.value("duration").toDouble(), 180.0, 1.0);
        std::cout << "[ figures  ] " << fs::path(media).filename() << " ("
                  << (way == Way::Transcode ? "transcode" : "remux") << "): copy ready after "
                  << ready << " ms, playing after " << playing << " ms" << std::endl;
    }
}

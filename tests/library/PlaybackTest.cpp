#include "BrowserPane.h"
#include "Medias.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

// Describes the first media element of the page (or the player's message).
const char* const ProbeScript = R"JS(
(function () {
  var container = document.getElementById('container');
  var media = document.querySelector('video, audio');
  return JSON.stringify({
    state: container ? (container.getAttribute('data-player-state') || '') : '',
    text: container ? container.textContent : '',
    kind: media ? media.tagName.toLowerCase() : '',
    error: media && media.error ? media.error.code : 0,
    duration: media && isFinite(media.duration) ? media.duration : 0,
    time: media ? media.currentTime : 0,
    paused: media ? media.paused : true
  });
})()
)JS";

bool runFfmpeg(const QStringList& arguments) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

QJsonObject probe(QWebEnginePage* page) {
    QJsonObject result;
    bool done = false;
    page->runJavaScript(QString::fromUtf8(ProbeScript), [&](const QVariant& value) {
        result = QJsonDocument::fromJson(value.toString().toUtf8()).object();
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 5000);
    return result;
}

// Polls until the media element knows its duration or fails (at most 20 s).
QJsonObject waitForMedia(QWebEnginePage* page) {
    QJsonObject seen;
    (void)QTest::qWaitFor(
        [&] {
            seen = probe(page);
            return seen.value("error").toInt() != 0 || seen.value("duration").toDouble() > 0 ||
                   seen.value("state").toString() == "unsupported";
        },
        20000);
    // Give playback a moment so that the report shows whether it started.
    QTest::qWait(500);
    return probe(page);
}

bool load(QWebEngineView& view, const std::string& page) {
    bool finished = false, ok = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool success) {
        finished = true;
        ok = success;
    });
    view.load(QUrl::fromLocalFile(QString::fromStdString(page)));
    (void)QTest::qWaitFor([&] { return finished; }, 20000);
    return ok;
}

class PlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clips = new QTemporaryDir(); // freed in TearDownTestSuite
        const QString base = clips->path();
        // Names a careless page would break on.
        movieTitle = "It's \"100%\" #1? <b>&co";
        songTitle = "Song #2? 50% 'live'";
        QDir().mkpath(base + "/Movies");
        QDir().mkpath(base + "/Music");
        haveClips =
            runFfmpeg({"-f", "lavfi", "-i", "testsrc=duration=2:size=160x120:rate=15", "-f",
                       "lavfi", "-i", "sine=frequency=440:duration=2", "-c:v", "libx264",
                       "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", "-movflags", "+faststart",
                       base + "/Movies/" + QString::fromStdString(movieTitle) + ".MP4"}) &&
            runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-c:a", "libmp3lame",
                       base + "/Music/" + QString::fromStdString(songTitle) + ".mp3"});
    }
    static void TearDownTestSuite() {
        delete clips;
        clips = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(haveClips) << "ffmpeg could not make the test clips";
        root = clips->path().toStdString();
        // The player script sits in the working directory, as beside the program.
        fs::create_directories(root + "/App");
        fs::copy_file(QCoreApplication::applicationDirPath().toStdString() + "/jwplayer.js",
                      root + "/App/jwplayer.js", fs::copy_options::overwrite_existing);
        dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
            "/Quillmoth/";
        fs::create_directories(dataFolder);
        Medias::loc.clear();
        Medias::currentPath.clear();
        Medias::currentWorkingPath = root + "/App/";
    }

    static inline QTemporaryDir* clips = nullptr;
    static inline bool haveClips = false;
    static inline std::string movieTitle, songTitle;
    std::string root, dataFolder;
};

} // namespace

TEST_F(PlaybackTest, MoviePagePlaysTheMp4) {
    // An extension in capitals, as a listed file may have it.
    Medias::createMovie(movieTitle, root + "/Movies", "MP4", dataFolder);

    QWebEngineView view;
    view.settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    view.resize(800, 600);
    view.show();
    ASSERT_TRUE(load(view, Medias::loc));

    const QJsonObject seen = waitForMedia(view.page());
    std::cout << "[ figures  ] mp4 page: "
              << QJsonDocument(seen).toJson(QJsonDocument::Compact).toStdString() << std::endl;
    EXPECT_EQ(seen.value("kind").toString(), "video");
    EXPECT_EQ(seen.value("error").toInt(), 0);
    EXPECT_GT(seen.value("duration").toDouble(), 0.0);
    EXPECT_NE(seen.value("state").toString(), "error");
}

TEST_F(PlaybackTest, MusicPagePlaysTheMp3InTheBrowserPane) {
    Medias::createMovie(songTitle, root + "/Music", "mp3", dataFolder);

    BrowserPane pane;
    pane.allowAutoplay(true);
    pane.resize(800, 600);
    pane.show();
    ASSERT_TRUE(load(pane, Medias::loc));

    const QJsonObject seen = waitForMedia(pane.page());
    std::cout << "[ figures  ] mp3 page: "
              << QJsonDocument(seen).toJson(QJsonDocument::Compact).toStdString() << std::endl;
    EXPECT_EQ(seen.value("kind").toString(), "audio");
    EXPECT_EQ(seen.value("error").toInt(), 0);
    EXPECT_GT(seen.value("duration").toDouble(), 0.0);
}

TEST_F(PlaybackTest, FlvPageSaysItCannotPlay) {
    std::ofstream(root + "/Movies/Old.flv") << "FLV";
    Medias::createMovie("Old", root + "/Movies", "flv", dataFolder);

    QWebEngineView view;
    ASSERT_TRUE(load(view, Medias::loc));

    const QJsonObject seen = waitForMedia(view.page());
    EXPECT_EQ(seen.value("state").toString(), "unsupported");
    EXPECT_EQ(seen.value("kind").toString(), "");
    EXPECT_TRUE(seen.value("text").toString().contains("cannot play"))
        << seen.value("text").toString().toStdString();
}

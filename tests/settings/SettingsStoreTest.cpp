// config.dat: first start, the reading rules, saving and the start-up checks.
#include "SettingsFixture.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QRadioButton>
#include <QSpinBox>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char* const LibraryPathError =
    "Error: Could not open library path. Check the Settings tab for download locations.";
const char* const BrokenIni = "[notifications\nenabled\x01=\xff\n\0=\n";
} // namespace

TEST_F(SettingsFixture, FirstStartCreatesFoldersFileAndDefaults) {
    ASSERT_FALSE(QFileInfo::exists(QString::fromStdString(dataFolder)));
    start();

    EXPECT_EQ(settings->getOutPath(), dataFolder);
    EXPECT_TRUE(fs::is_directory(dataFolder + "Movies"));
    EXPECT_TRUE(fs::is_directory(dataFolder + "Music"));
    EXPECT_EQ(readConfig(), defaultConfig());

    EXPECT_EQ(settings->getMoviePath(), dataFolder + "Movies");
    EXPECT_EQ(settings->getMp3Path(), dataFolder + "Music");
    EXPECT_TRUE(settings->shouldShowMovies());
    EXPECT_TRUE(settings->shouldShowMp3s());
    EXPECT_FALSE(settings->shouldConvertMovie());
    EXPECT_EQ(settings->getQuality(), 4);

    EXPECT_EQ(control<QLineEdit>("groupBox1", "movieTextSave")->text().toStdString(),
              dataFolder + "Movies");
    EXPECT_EQ(control<QLineEdit>("groupBox1", "mp3SaveText")->text().toStdString(),
              dataFolder + "Music");
    EXPECT_TRUE(button("groupBox3", "movieCheck")->isChecked());
    EXPECT_TRUE(button("groupBox3", "mp3Check")->isChecked());
    EXPECT_FALSE(button("groupBox4", "autoCheck")->isChecked());
    EXPECT_TRUE(button("groupBox1", "notifyCheck")->isChecked());
    EXPECT_TRUE(settings->shouldNotify());
    EXPECT_TRUE(button("groupBox2", "radioButton4")->isChecked());
    EXPECT_EQ(button("groupBox2", "radioButton4")->text(),
              "Low (Fastest - Recommended for mp3 conversion)");
    // Filling raised the enabling handlers; the store disables it after.
    EXPECT_FALSE(saveEnabled());

    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(ListView::rowCount(libraryList), 0);
}

TEST_F(SettingsFixture, AcceptedFileListsTheLibraryAsItsCheckBoxesSay) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    std::ofstream(music + "/My.Song.mp3") << "x";
    std::ofstream(movies + "/Clip.mp4") << "x";
    writeConfig(configText(movies, music, "0", "1", "2", "1"));
    start();

    // Movies are not wanted: only the music is listed.
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_EQ(ListView::rowCount(libraryList), 1);
    EXPECT_EQ(ListView::cellText(libraryList, 0, 0), "My.Song");
    EXPECT_EQ(ListView::cellText(libraryList, 0, 2).toStdString(), music);
    EXPECT_EQ(settings->getLibrary()->mediaPath(0), music + "/My.Song.mp3");

    EXPECT_FALSE(settings->shouldShowMovies());
    EXPECT_TRUE(settings->shouldConvertMovie());
    EXPECT_EQ(settings->getQuality(), 2);
    EXPECT_TRUE(button("groupBox2", "radioButton2")->isChecked());
    EXPECT_FALSE(button("groupBox3", "movieCheck")->isChecked());
    EXPECT_FALSE(saveEnabled());
    // An accepted file is not rewritten.
    EXPECT_EQ(readConfig(), configText(movies, music, "0", "1", "2", "1"));

    // Saved the other way round, the list follows at once.
    button("groupBox3", "movieCheck")->click();
    button("groupBox3", "mp3Check")->click();
    ASSERT_TRUE(settings->grabViewValues());
    ASSERT_TRUE(settings->saveSettings());
    ASSERT_EQ(ListView::rowCount(libraryList), 1);
    EXPECT_EQ(ListView::cellText(libraryList, 0, 1), "mp4");
    EXPECT_EQ(settings->getLibrary()->mediaPath(0), movies + "/Clip.mp4");
    EXPECT_EQ(settings->getLibrary()->showFileFolder(0), "file://" + movies);
    EXPECT_EQ(settings->getLibrary()->mediaPath(1), "");
}

TEST_F(SettingsFixture, ReadingRulesForLinesAndValues) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    start();
    auto load = [&](const std::string& text) {
        writeConfig(text);
        return settings->loadSettingsFile();
    };

    // LF alone, empty lines between settings, any order, repeated keys.
    EXPECT_TRUE(load("quality;3\n\nmp3Path;/old\nmp3Path;" + music + "\n\nmoviePath;" + movies +
                     "\nshowMovies;0\nshowMp3s;1\nconvert;1\n"));
    EXPECT_EQ(settings->getMp3Path(), music);
    EXPECT_EQ(settings->getMoviePath(), movies);
    EXPECT_FALSE(settings->shouldShowMovies());
    EXPECT_TRUE(settings->shouldConvertMovie());
    EXPECT_EQ(settings->getQuality(), 3);

    // Flags look at the first character only; values keep further ";".
    EXPECT_TRUE(load("showMovies;true\r\nconvert;1x\r\nshowMp3s;\r\nmoviePath;/films;old\r\n"
                     "quality;7\r\nmp3Path;" +
                     music + "\r\n"));
    EXPECT_FALSE(settings->shouldShowMovies());
    EXPECT_TRUE(settings->shouldConvertMovie());
    EXPECT_FALSE(settings->shouldShowMp3s());
    EXPECT_EQ(settings->getMoviePath(), "/films;old");
    EXPECT_EQ(settings->getQualityText(), "7");
    EXPECT_EQ(settings->getQuality(), 4);

    // A key alone takes an empty value.
    EXPECT_TRUE(settings->parseLine("quality"));
    EXPECT_EQ(settings->getQualityText(), "");
    EXPECT_EQ(settings->getQuality(), 4);
    EXPECT_TRUE(settings->parseLine(""));

    // Refused: unknown keys, other letter case, keys past the key part.
    EXPECT_FALSE(settings->parseLine("volume;3"));
    EXPECT_FALSE(settings->parseLine("MoviePath;/x"));
    EXPECT_FALSE(settings->parseLine("Quality;1"));
    EXPECT_FALSE(settings->parseLine(std::string(32, 'k') + ";1"));
    EXPECT_FALSE(settings->parseLine("quality" + std::string(25, ' ') + ";1"));
    EXPECT_FALSE(settings->parseLine("no separator at all"));
    EXPECT_EQ(settings->getMoviePath(), "/films;old");

    // Count: the line after the last line end counts, so five settings and
    // a line break make six; without the break they make five.
    const std::string five =
        "moviePath;" + movies + "\nmp3Path;" + music + "\nshowMovies;0\nshowMp3s;0\nquality;1";
    EXPECT_TRUE(load(five + "\n"));
    EXPECT_EQ(settings->getQuality(), 1);
    EXPECT_FALSE(settings->shouldShowMp3s());
    EXPECT_FALSE(settings->shouldConvertMovie()); // named nowhere: default
    EXPECT_FALSE(load(five));
    EXPECT_FALSE(load(""));

    // A refused line anywhere refuses the file.
    EXPECT_FALSE(load(configText(movies, music, "1", "1", "2", "0") + "volume;3\r\n"));
}

TEST_F(SettingsFixture, RefusedFileIsKeptAsideOnceAndDefaultsAreWritten) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    const std::string refused = configText(movies, music, "0", "0", "1", "1") + "volume;3\r\n";
    writeConfig(refused);
    start();

    // The user's folders are not lost: the file stays beside, and is named once.
    const std::string kept = dataFolder + "config.dat.bad";
    EXPECT_EQ(testfiles::readFile(kept), refused);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(kept))) << messages[0].toStdString();
    messages.clear();
    start();
    EXPECT_TRUE(messages.isEmpty());

    EXPECT_EQ(settings->getMoviePath(), dataFolder + "Movies");
    EXPECT_EQ(settings->getMp3Path(), dataFolder + "Music");
    EXPECT_TRUE(settings->shouldShowMovies());
    EXPECT_EQ(settings->getQuality(), 4);
    EXPECT_EQ(readConfig(), defaultConfig());
    EXPECT_TRUE(fs::is_directory(dataFolder + "Movies"));
    EXPECT_TRUE(messages.isEmpty());

    // Fewer than six lines: the same.
    writeConfig("moviePath;" + movies + "\r\n");
    start();
    EXPECT_EQ(settings->getMoviePath(), dataFolder + "Movies");
    EXPECT_EQ(readConfig(), defaultConfig());
}

TEST_F(SettingsFixture, MissingFoldersAtStartShowTheMessageAndCreateNothing) {
    const std::string movies = home.path().toStdString() + "/gone/films";
    const std::string music = userFolder("songs");
    std::ofstream(music + "/Song.mp3") << "x";
    const std::string text = configText(movies, music, "1", "1", "4", "0");
    writeConfig(text);
    start();

    EXPECT_EQ(messages, QStringList({LibraryPathError}));
    EXPECT_FALSE(fs::exists(movies));
    EXPECT_FALSE(fs::exists(dataFolder + "Movies"));
    EXPECT_EQ(ListView::rowCount(libraryList), 0);
    EXPECT_EQ(settings->getMoviePath(), movies);
    EXPECT_EQ(readConfig(), text);
    EXPECT_FALSE(settings->areValidPaths());
}

TEST_F(SettingsFixture, SaveAndReloadRoundTrip) {
    start();
    const std::string movies = userFolder("films");
    control<QLineEdit>("groupBox1", "movieTextSave")->setText(QString::fromStdString(movies));
    control<QLineEdit>("groupBox1", "mp3SaveText")->setText(QString());
    button("groupBox2", "radioButton2")->click();
    button("groupBox3", "mp3Check")->click();
    button("groupBox4", "autoCheck")->click();
    button("groupBox1", "notifyCheck")->click();
    EXPECT_EQ(page()->maxRunningBox()->value(), 3);
    page()->maxRunningBox()->setValue(5);
    EXPECT_TRUE(saveEnabled());

    ASSERT_TRUE(settings->grabViewValues());
    ASSERT_TRUE(settings->saveSettings());
    // The notification box lives in quillmoth.ini; config.dat keeps its six lines.
    EXPECT_EQ(readConfig(), configText(movies, "", "1", "0", "2", "1"));
    EXPECT_EQ(settings->getIniPath(), dataFolder + "quillmoth.ini");
    EXPECT_NE(testfiles::readFile(settings->getIniPath()).find("enabled=false"), std::string::npos);
    EXPECT_NE(testfiles::readFile(settings->getIniPath()).find("[transfers]\nmaxRunning=5"),
              std::string::npos);
    EXPECT_EQ(settings->getMp3Path(), "");
    EXPECT_EQ(settings->getQuality(), 2);

    // Next start: the empty mp3 folder fails the library check, but the
    // values come back into the tab.
    messages.clear();
    start();
    EXPECT_EQ(messages, QStringList({LibraryPathError}));
    EXPECT_TRUE(button("groupBox2", "radioButton2")->isChecked());
    EXPECT_FALSE(button("groupBox2", "radioButton4")->isChecked());
    EXPECT_FALSE(button("groupBox3", "mp3Check")->isChecked());
    EXPECT_TRUE(button("groupBox4", "autoCheck")->isChecked());
    EXPECT_FALSE(button("groupBox1", "notifyCheck")->isChecked());
    EXPECT_FALSE(settings->shouldNotify());
    EXPECT_EQ(settings->getMaxRunning(), 5);
    EXPECT_EQ(page()->maxRunningBox()->value(), 5);
    EXPECT_EQ(control<QLineEdit>("groupBox1", "movieTextSave")->text().toStdString(), movies);
    EXPECT_EQ(settings->getQuality(), 2);
    EXPECT_FALSE(saveEnabled());

    // A broken quillmoth.ini means the default, and one that cannot be
    // written (a folder in its place, even for root) costs config.dat nothing.
    const std::string ini = settings->getIniPath();
    testfiles::writeFile(ini, "[transfers]\nmaxRunning=9\n");
    start();
    EXPECT_EQ(settings->getMaxRunning(), 3) << "out of range";
    testfiles::writeFile(ini, BrokenIni);
    start();
    EXPECT_TRUE(settings->shouldNotify());
    EXPECT_EQ(settings->getMaxRunning(), 3);
    EXPECT_EQ(settings->getQuality(), 2);
    fs::remove(ini);
    fs::create_directory(ini);
    button("groupBox2", "radioButton3")->click();
    ASSERT_TRUE(settings->grabViewValues());
    EXPECT_TRUE(settings->saveSettings());
    EXPECT_EQ(readConfig(), configText(movies, "", "1", "0", "3", "1"));
    start();
    EXPECT_TRUE(settings->shouldNotify());
    EXPECT_EQ(settings->getQuality(), 3);
}

TEST_F(SettingsFixture, LoadedQualityOutsideTheRangeIsSavedAsLow) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    writeConfig(configText(movies, music, "1", "1", "7", "0"));
    start();
    EXPECT_TRUE(button("groupBox2", "radioButton4")->isChecked());
    EXPECT_EQ(settings->getQualityText(), "7");
    ASSERT_TRUE(settings->grabViewValues());
    ASSERT_TRUE(settings->saveSettings());
    EXPECT_EQ(readConfig(), configText(movies, music, "1", "1", "4", "0"));
}

TEST_F(SettingsFixture, UnwritableConfigRefusesTheSaveButKeepsTheValues) {
    start();
    const std::string before = readConfig();
    button("groupBox2", "radioButton1")->click();
    ASSERT_TRUE(settings->grabViewValues());

    if (geteuid() != 0) {
        ASSERT_EQ(chmod(configPath().c_str(), 0444), 0);
        EXPECT_FALSE(settings->saveSettings());
        EXPECT_EQ(readConfig(), before);
        chmod(configPath().c_str(), 0644);
    }
    // Root may write any file; a folder in its place cannot be written by anyone.
    fs::remove(configPath());
    fs::create_directory(configPath());
    EXPECT_FALSE(settings->saveSettings());
    EXPECT_TRUE(fs::is_directory(configPath()));
    EXPECT_EQ(settings->getQuality(), 1);
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SettingsFixture, SaveReplacesTheFileAsAWhole) {
    start();
    const std::string before = readConfig();
    // A second name for the old file: writing in place would change it too.
    const std::string oldName = dataFolder + "config.old";
    fs::create_hard_link(configPath(), oldName);

    button("groupBox2", "radioButton3")->click();
    ASSERT_TRUE(settings->grabViewValues());
    ASSERT_TRUE(settings->saveSettings());

    std::ifstream old(oldName, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), before);
    EXPECT_EQ(readConfig(),
              configText(dataFolder + "Movies", dataFolder + "Music", "1", "1", "3", "0"));
    // Nothing left behind beside it.
    EXPECT_EQ(
        testfiles::listFolder(dataFolder),
        std::vector<std::string>({"Movies", "Music", "config.dat", "config.old", "quillmoth.ini"}));

    if (geteuid() != 0) { // root may create files anywhere
        // A folder that takes no new files: the writable file is written in place.
        ASSERT_EQ(chmod(dataFolder.c_str(), 0555), 0);
        button("groupBox2", "radioButton2")->click();
        ASSERT_TRUE(settings->grabViewValues());
        EXPECT_TRUE(settings->saveSettings());
        chmod(dataFolder.c_str(), 0755);
        EXPECT_EQ(readConfig(),
                  configText(dataFolder + "Movies", dataFolder + "Music", "1", "1", "2", "0"));
    }
}

// config.dat and quillmoth.ini: first start, the reading rules, saving, and
// the Settings tab bound to what was loaded.
#include "SettingsFixture.h"
#include "settings/ConfigFile.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QRadioButton>
#include <QSpinBox>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char* const BrokenIni = "[notifications\nenabled\x01=\xff\n\0=\n";
} // namespace

TEST_F(SettingsFixture, FirstStartCreatesFoldersFileAndDefaults) {
    ASSERT_FALSE(QFileInfo::exists(QString::fromStdString(dataFolder)));
    start();

    EXPECT_EQ(store->dataFolder(), dataFolder);
    EXPECT_TRUE(fs::is_directory(videos()));
    EXPECT_TRUE(fs::is_directory(music()));
    EXPECT_EQ(readConfig(), defaultConfig());

    EXPECT_EQ(settings, store->defaults());
    EXPECT_EQ(settings.movieFolder, videos());
    EXPECT_EQ(settings.musicFolder, music());
    EXPECT_TRUE(settings.showMovies && settings.showMusic && settings.notify);
    EXPECT_FALSE(settings.convertToMp3);
    EXPECT_EQ(settings.quality, 4);

    EXPECT_EQ(control<QLineEdit>("downloadsGroup", "movieFolderBox")->text().toStdString(),
              videos());
    EXPECT_EQ(control<QLineEdit>("downloadsGroup", "musicFolderBox")->text().toStdString(),
              music());
    EXPECT_TRUE(button("libraryGroup", "showMoviesBox")->isChecked());
    EXPECT_TRUE(button("libraryGroup", "showMusicBox")->isChecked());
    EXPECT_FALSE(button("conversionGroup", "autoConvertBox")->isChecked());
    EXPECT_TRUE(button("downloadsGroup", "notifyBox")->isChecked());
    EXPECT_TRUE(button("qualityGroup", "qualityLow")->isChecked());
    EXPECT_EQ(button("qualityGroup", "qualityLow")->text(),
              "Lo&w (Fastest - Recommended for mp3 conversion)");
    // Filling raised the enabling handlers; the store disables it after.
    EXPECT_FALSE(saveEnabled());

    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SettingsFixture, AcceptedFileIsTakenAsItIsAndSavedAsTheTabSays) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    writeConfig(configText(movies, music, "0", "1", "2", "1"));
    start();

    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(settings.movieFolder, movies);
    EXPECT_EQ(settings.musicFolder, music);
    EXPECT_FALSE(settings.showMovies);
    EXPECT_TRUE(settings.convertToMp3);
    EXPECT_EQ(settings.quality, 2);
    EXPECT_TRUE(button("qualityGroup", "qualityHigh")->isChecked());
    EXPECT_FALSE(button("libraryGroup", "showMoviesBox")->isChecked());
    EXPECT_FALSE(saveEnabled());
    // An accepted file is not rewritten.
    EXPECT_EQ(readConfig(), configText(movies, music, "0", "1", "2", "1"));

    button("libraryGroup", "showMoviesBox")->click();
    button("libraryGroup", "showMusicBox")->click();
    ASSERT_TRUE(save());
    EXPECT_EQ(readConfig(), configText(movies, music, "1", "0", "2", "1"));
}

TEST(ConfigFile, ReadingRulesForLinesAndValues) {
    ConfigFile config;
    // LF alone, empty lines between settings, any order, repeated keys.
    EXPECT_TRUE(config.parseText("quality;3\n\nmp3Path;/old\nmp3Path;/songs\n\nmoviePath;/films"
                                 "\nshowMovies;0\nshowMp3s;1\nconvert;1\n"));
    EXPECT_EQ(config.mp3Path, "/songs");
    EXPECT_EQ(config.moviePath, "/films");
    EXPECT_FALSE(config.showMovies);
    EXPECT_TRUE(config.convertMovie);
    EXPECT_EQ(config.quality, "3");

    // Flags look at the first character only; values keep further ";".
    EXPECT_TRUE(config.parseText("showMovies;true\r\nconvert;1x\r\nshowMp3s;\r\n"
                                 "moviePath;/films;old\r\nquality;7\r\nmp3Path;/songs\r\n"));
    EXPECT_FALSE(config.showMovies);
    EXPECT_TRUE(config.convertMovie);
    EXPECT_FALSE(config.showMp3s);
    EXPECT_EQ(config.moviePath, "/films;old");
    EXPECT_EQ(config.quality, "7");

    // A key alone takes an empty value.
    EXPECT_TRUE(config.parseLine("quality"));
    EXPECT_EQ(config.quality, "");
    EXPECT_TRUE(config.parseLine(""));

    // Refused: unknown keys, other letter case, keys past the key part.
    EXPECT_FALSE(config.parseLine("volume;3"));
    EXPECT_FALSE(config.parseLine("MoviePath;/x"));
    EXPECT_FALSE(config.parseLine("Quality;1"));
    EXPECT_FALSE(config.parseLine(std::string(32, 'k') + ";1"));
    EXPECT_FALSE(config.parseLine("quality" + std::string(25, ' ') + ";1"));
    EXPECT_FALSE(config.parseLine("no separator at all"));
    EXPECT_EQ(config.moviePath, "/films;old");

    // Count: the line after the last line end counts, so five settings and
    // a line break make six; without the break they make five.
    const std::string five = "moviePath;/m\nmp3Path;/s\nshowMovies;0\nshowMp3s;0\nquality;1";
    EXPECT_TRUE(ConfigFile().parseText(five + "\n"));
    EXPECT_FALSE(ConfigFile().parseText(five));
    EXPECT_FALSE(ConfigFile().parseText(""));
    // A refused line anywhere refuses the file.
    EXPECT_FALSE(ConfigFile().parseText(five + "\nconvert;0\nvolume;3\r\n"));
}

TEST_F(SettingsFixture, QualityIsReadFromItsFirstCharacterAndUnnamedSettingsKeepDefaults) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    const struct {
        const char* text;
        int quality;
    } qualities[] = {{"1", 1}, {"3x", 3}, {"7", 4}, {"", 4}, {"0", 4}};
    for (const auto& entry : qualities) {
        writeConfig(configText(movies, music, "1", "1", entry.text, "0"));
        start();
        EXPECT_EQ(settings.quality, entry.quality) << entry.text;
    }
    // Five settings and a line break: convert is named nowhere.
    writeConfig("moviePath;" + movies + "\nmp3Path;" + music +
                "\nshowMovies;0\nshowMp3s;0\nquality;1\n");
    start();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(settings.quality, 1);
    EXPECT_FALSE(settings.showMusic);
    EXPECT_FALSE(settings.convertToMp3);
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

    EXPECT_EQ(settings, store->defaults());
    EXPECT_EQ(readConfig(), defaultConfig());
    EXPECT_TRUE(fs::is_directory(videos()));
    EXPECT_TRUE(messages.isEmpty());

    // Fewer than six lines: the same.
    writeConfig("moviePath;" + movies + "\r\n");
    start();
    EXPECT_EQ(settings.movieFolder, videos());
    EXPECT_EQ(readConfig(), defaultConfig());
}

TEST_F(SettingsFixture, MissingFoldersAreKeptAsTheyAreAndNothingIsCreated) {
    const std::string movies = home.path().toStdString() + "/gone/films";
    const std::string music = userFolder("songs");
    const std::string text = configText(movies, music, "1", "1", "4", "0");
    writeConfig(text);
    start();

    EXPECT_TRUE(messages.isEmpty());
    EXPECT_FALSE(fs::exists(movies));
    EXPECT_FALSE(fs::exists(videos()));
    EXPECT_EQ(settings.movieFolder, movies);
    EXPECT_EQ(readConfig(), text);
}

TEST_F(SettingsFixture, SaveAndReloadRoundTrip) {
    start();
    const std::string movies = userFolder("films");
    control<QLineEdit>("downloadsGroup", "movieFolderBox")->setText(QString::fromStdString(movies));
    control<QLineEdit>("downloadsGroup", "musicFolderBox")->setText(QString());
    button("qualityGroup", "qualityHigh")->click();
    button("libraryGroup", "showMusicBox")->click();
    button("conversionGroup", "autoConvertBox")->click();
    button("downloadsGroup", "notifyBox")->click();
    EXPECT_EQ(page()->maxRunningBox()->value(), 3);
    page()->maxRunningBox()->setValue(5);
    EXPECT_TRUE(saveEnabled());

    ASSERT_TRUE(save());
    // The notification box lives in quillmoth.ini; config.dat keeps its six lines.
    EXPECT_EQ(readConfig(), configText(movies, "", "1", "0", "2", "1"));
    EXPECT_EQ(store->iniPath(), dataFolder + "quillmoth.ini");
    EXPECT_NE(testfiles::readFile(store->iniPath()).find("enabled=false"), std::string::npos);
    EXPECT_NE(testfiles::readFile(store->iniPath()).find("maxRunning=5"), std::string::npos);
    EXPECT_EQ(settings.musicFolder, "");
    EXPECT_EQ(settings.quality, 2);

    // Next start: the values come back, and into the tab; what the tab has
    // no control for is kept through a save.
    const Settings saved = settings;
    start();
    EXPECT_EQ(settings, saved);
    EXPECT_TRUE(button("qualityGroup", "qualityHigh")->isChecked());
    EXPECT_FALSE(button("qualityGroup", "qualityLow")->isChecked());
    EXPECT_FALSE(button("libraryGroup", "showMusicBox")->isChecked());
    EXPECT_TRUE(button("conversionGroup", "autoConvertBox")->isChecked());
    EXPECT_FALSE(button("downloadsGroup", "notifyBox")->isChecked());
    EXPECT_FALSE(settings.notify);
    EXPECT_EQ(settings.maxRunning, 5);
    EXPECT_EQ(page()->maxRunningBox()->value(), 5);
    EXPECT_EQ(control<QLineEdit>("downloadsGroup", "movieFolderBox")->text().toStdString(), movies);
    EXPECT_FALSE(saveEnabled());

    // A broken quillmoth.ini means the default, and one that cannot be
    // written (a folder in its place, even for root) costs config.dat nothing.
    const std::string ini = store->iniPath();
    testfiles::writeFile(ini, "[transfers]\nmaxRunning=9\nconnections=4\nspeedLimit=-5\n");
    start();
    EXPECT_EQ(settings.maxRunning, 3) << "out of range";
    EXPECT_EQ(settings.connections, 4);
    EXPECT_EQ(settings.speedLimit, 0) << "out of range";
    page()->maxRunningBox()->setValue(6);
    ASSERT_TRUE(save());
    start();
    EXPECT_EQ(settings.connections, 4) << "kept through a save of the tab";
    EXPECT_EQ(settings.maxRunning, 6);
    testfiles::writeFile(ini, BrokenIni);
    start();
    EXPECT_TRUE(settings.notify);
    EXPECT_EQ(settings.maxRunning, 3);
    EXPECT_EQ(settings.quality, 2);
    fs::remove(ini);
    fs::create_directory(ini);
    button("qualityGroup", "qualityMedium")->click();
    EXPECT_TRUE(save());
    EXPECT_EQ(readConfig(), configText(movies, "", "1", "0", "3", "1"));
    start();
    EXPECT_TRUE(settings.notify);
    EXPECT_EQ(settings.quality, 3);
}

TEST_F(SettingsFixture, LoadedQualityOutsideTheRangeIsSavedAsLow) {
    const std::string movies = userFolder("films");
    const std::string music = userFolder("songs");
    writeConfig(configText(movies, music, "1", "1", "7", "0"));
    start();
    EXPECT_TRUE(button("qualityGroup", "qualityLow")->isChecked());
    EXPECT_EQ(settings.quality, 4);
    ASSERT_TRUE(save());
    EXPECT_EQ(readConfig(), configText(movies, music, "1", "1", "4", "0"));
}

TEST_F(SettingsFixture, UnwritableConfigRefusesTheSaveButKeepsTheValues) {
    start();
    const std::string before = readConfig();
    button("qualityGroup", "qualityHighest")->click();

    if (geteuid() != 0) {
        ASSERT_EQ(chmod(configPath().c_str(), 0444), 0);
        EXPECT_FALSE(save());
        EXPECT_EQ(readConfig(), before);
        chmod(configPath().c_str(), 0644);
    }
    // Root may write any file; a folder in its place cannot be written by anyone.
    fs::remove(configPath());
    fs::create_directory(configPath());
    EXPECT_FALSE(save());
    EXPECT_TRUE(fs::is_directory(configPath()));
    EXPECT_EQ(settings.quality, 1);
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SettingsFixture, SaveReplacesTheFileAsAWhole) {
    start();
    const std::string before = readConfig();
    // A second name for the old file: writing in place would change it too.
    const std::string oldName = dataFolder + "config.old";
    fs::create_hard_link(configPath(), oldName);

    button("qualityGroup", "qualityMedium")->click();
    ASSERT_TRUE(save());

    std::ifstream old(oldName, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), before);
    EXPECT_EQ(readConfig(), configText(videos(), music(), "1", "1", "3", "0"));
    // Nothing left behind beside it.
    EXPECT_EQ(testfiles::listFolder(dataFolder),
              std::vector<std::string>({"config.dat", "config.old", "quillmoth.ini"}));

    if (geteuid() != 0) { // root may create files anywhere
        // A folder that takes no new files: the writable file is written in place.
        ASSERT_EQ(chmod(dataFolder.c_str(), 0555), 0);
        button("qualityGroup", "qualityHigh")->click();
        EXPECT_TRUE(save());
        chmod(dataFolder.c_str(), 0755);
        EXPECT_EQ(readConfig(), configText(videos(), music(), "1", "1", "2", "0"));
    }
}

// A FIFO would hold the start up for ever (its open waits for a writer).
TEST_F(SettingsFixture, OnlyRegularFilesAreOpenedAnythingElseIsKeptAside) {
    fs::create_directories(dataFolder);
    const std::string ini = dataFolder + "quillmoth.ini";
    ASSERT_EQ(mkfifo(configPath().c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
    start();
    EXPECT_EQ(settings, store->defaults());
    struct stat kept {};
    for (const std::string& path : {configPath(), ini}) {
        EXPECT_TRUE(lstat((path + ".bad").c_str(), &kept) == 0 && S_ISFIFO(kept.st_mode)) << path;
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QString::fromStdString(path + ".bad")));
    }
    EXPECT_EQ(readConfig(), defaultConfig());
    EXPECT_TRUE(fs::is_regular_file(ini));
    messages.clear();
    start();
    EXPECT_TRUE(messages.isEmpty());

    // Where it cannot be moved aside it is left alone, said, and never written.
    fs::remove(configPath());
    fs::remove(configPath() + ".bad");
    ASSERT_EQ(mkfifo(configPath().c_str(), 0600), 0);
    fs::create_directories(configPath() + ".bad/full");
    start();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(configPath())));
    EXPECT_EQ(settings, store->defaults());
    EXPECT_FALSE(store->save(settings));
    EXPECT_TRUE(lstat(configPath().c_str(), &kept) == 0 && S_ISFIFO(kept.st_mode));
}

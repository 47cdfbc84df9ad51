// My Library as the Manager lists it from the saved settings: at start, and
// again after each save.
#include "Library.h"
#include "LibraryView.h"
#include "ListView.h"
#include "Manager.h"
#include "MessageBox.h"
#include "SettingsTab.h"
#include "TestFiles.h"
#include "gui/ScopedDataHome.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

const char* const LibraryPathError =
    "Error: Could not open library path. Check the Settings tab for download locations.";

class ManagerLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        MessageBox::setSink([this](const QString& text) { messages << text; });
        movies = folder("films");
        music = folder("songs");
    }
    void TearDown() override {
        manager.reset();
        MessageBox::setSink({});
    }

    std::string folder(const char* name) const {
        QDir().mkpath(home.filePath(name));
        return home.filePath(name).toStdString();
    }
    void writeConfig(const std::string& movieFolder, const char* showMovies) const {
        const std::string data = home.path().toStdString() + "/Quillmoth/";
        std::filesystem::create_directories(data);
        testfiles::writeFile(data + "config.dat",
                             "moviePath;" + movieFolder + "\r\nmp3Path;" + music +
                                 "\r\nshowMovies;" + showMovies +
                                 "\r\nshowMp3s;1\r\nquality;2\r\nconvert;0\r\n");
    }
    void start() {
        window = std::make_unique<QWidget>();
        list = LibraryView::build(window.get());
        page = new SettingsTab(window.get()); // owned by the window
        manager = std::make_unique<Manager>(list, page, new QLineEdit(window.get()));
    }

    ScopedDataHome home;
    QStringList messages;
    std::string movies;
    std::string music;
    std::unique_ptr<QWidget> window;
    QTreeWidget* list = nullptr;
    SettingsTab* page = nullptr;
    std::unique_ptr<Manager> manager;
};

} // namespace

TEST_F(ManagerLibrary, ListsWhatTheSettingsSayAtStartAndAfterEachSave) {
    std::ofstream(music + "/My.Song.mp3") << "x";
    std::ofstream(movies + "/Clip.mp4") << "x";
    writeConfig(movies, "0");
    start();

    // Movies are not wanted: only the music is listed.
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_EQ(ListView::rowCount(list), 1);
    EXPECT_EQ(ListView::cellText(list, 0, 0), "My.Song");
    EXPECT_EQ(ListView::cellText(list, 0, 2).toStdString(), music);
    EXPECT_EQ(manager->mediaPath(0), music + "/My.Song.mp3");
    EXPECT_FALSE(page->showMoviesBox()->isChecked());

    // Saved the other way round, the list follows at once.
    page->showMoviesBox()->click();
    page->showMusicBox()->click();
    ASSERT_TRUE(manager->saveSettings());
    EXPECT_TRUE(manager->settings().showMovies);
    ASSERT_EQ(ListView::rowCount(list), 1);
    EXPECT_EQ(ListView::cellText(list, 0, 1), "mp4");
    EXPECT_EQ(manager->mediaPath(0), movies + "/Clip.mp4");
    EXPECT_EQ(manager->mediaPath(1), "");
}

TEST_F(ManagerLibrary, AMissingFolderAtStartIsSaidAndNothingIsCreated) {
    const std::string gone = home.path().toStdString() + "/gone/films";
    std::ofstream(music + "/Song.mp3") << "x";
    writeConfig(gone, "1");
    start();

    EXPECT_EQ(messages, QStringList({LibraryPathError}));
    EXPECT_FALSE(std::filesystem::exists(gone));
    EXPECT_EQ(ListView::rowCount(list), 0);
    EXPECT_EQ(manager->settings().movieFolder, gone);
    // A save with the folder still missing says nothing more and lists nothing.
    messages.clear();
    EXPECT_TRUE(manager->saveSettings());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(ListView::rowCount(list), 0);
}

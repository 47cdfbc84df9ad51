// My Library as a DataFolder lists it from the saved settings: at start, and
// again after each save.
#include "app/session/DataFolder.h"
#include "support/gui/ScopedDataHome.h"
#include "library/Library.h"
#include "support/TestFiles.h"

#include <QDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

const char* const LibraryPathError =
    "Error: Could not open library path. Check the Settings tab for download locations.";

class DataFolderLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        movies = userFolder("films");
        music = userFolder("songs");
    }

    std::string userFolder(const char* name) const {
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
    // Opens the data folder; what it says is collected.
    void start() {
        folder = std::make_unique<DataFolder>();
        QObject::connect(folder.get(), &DataFolder::message,
                         [this](const QString& text) { messages << text; });
        folder->start();
    }
    QString cell(int row, int column, int role = Qt::DisplayRole) const {
        return folder->library().index(row, column).data(role).toString();
    }

    ScopedDataHome home;
    QStringList messages;
    std::string movies;
    std::string music;
    std::unique_ptr<DataFolder> folder;
};

} // namespace

TEST_F(DataFolderLibrary, ListsWhatTheSettingsSayAtStartAndAfterEachSave) {
    std::ofstream(music + "/My.Song.mp3") << "x";
    std::ofstream(movies + "/Clip.mp4") << "x";
    writeConfig(movies, "0");
    start();

    // Movies are not wanted: only the music is listed.
    EXPECT_TRUE(messages.isEmpty());
    Library& library = folder->library();
    ASSERT_EQ(library.rowCount(), 1);
    EXPECT_EQ(cell(0, Library::TitleColumn), "My.Song");
    EXPECT_EQ(cell(0, Library::TitleColumn, Library::FolderRole).toStdString(), music);
    EXPECT_EQ(library.mediaPath(0), music + "/My.Song.mp3");
    EXPECT_FALSE(folder->settings().showMovies);

    // Saved the other way round, the list follows at once.
    Settings wanted = folder->settings();
    wanted.showMovies = true;
    wanted.showMusic = false;
    ASSERT_TRUE(folder->saveSettings(wanted));
    EXPECT_TRUE(folder->settings().showMovies);
    ASSERT_EQ(library.rowCount(), 1);
    EXPECT_EQ(cell(0, Library::TypeColumn), "mp4");
    EXPECT_EQ(library.mediaPath(0), movies + "/Clip.mp4");
    EXPECT_EQ(library.mediaPath(1), "");
}

TEST_F(DataFolderLibrary, AMissingFolderAtStartIsSaidAndNothingIsCreated) {
    const std::string gone = home.path().toStdString() + "/gone/films";
    std::ofstream(music + "/Song.mp3") << "x";
    writeConfig(gone, "1");
    start();

    EXPECT_EQ(messages, QStringList({LibraryPathError}));
    EXPECT_FALSE(std::filesystem::exists(gone));
    EXPECT_EQ(folder->library().rowCount(), 0);
    EXPECT_EQ(folder->settings().movieFolder, gone);
    // A save with the folder still missing says nothing more and lists nothing.
    messages.clear();
    EXPECT_TRUE(folder->saveSettings(folder->settings()));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(folder->library().rowCount(), 0);
}

#include "library/Library.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void touch(const fs::path& file) {
    std::ofstream(file) << "x";
}

using Rows = std::vector<std::vector<std::string>>;

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        movies = root + "/Movies";
        music = root + "/Music";
        fs::create_directories(movies);
        fs::create_directories(music);
    }

    // Title, type and folder of every row.
    Rows rows() const {
        Rows all;
        for (int row = 0; row < library.rowCount(); ++row) {
            const QModelIndex title = library.index(row, Library::TitleColumn);
            all.push_back({title.data().toString().toStdString(),
                           library.index(row, Library::TypeColumn).data().toString().toStdString(),
                           title.data(Library::FolderRole).toString().toStdString()});
        }
        return all;
    }

    QTemporaryDir dir;
    std::string root, movies, music;
    Library library;
};

} // namespace

TEST_F(LibraryTest, ShowsTitleTypeAndFolderAndKeepsTheFolderInTheRow) {
    ASSERT_EQ(library.columnCount(), 5);
    EXPECT_EQ(library.headerData(Library::TitleColumn, Qt::Horizontal).toString(), "Title");
    EXPECT_EQ(library.headerData(Library::TypeColumn, Qt::Horizontal).toString(), "Type");

    touch(music + "/song.mp3");
    QSignalSpy inserted(&library, &QAbstractItemModel::rowsInserted);
    library.listFolders(movies, music);
    EXPECT_EQ(library.index(0, Library::FolderColumn).data().toString(),
              QString::fromStdString(music));
    EXPECT_EQ(library.index(0, Library::TypeColumn).data(Library::FolderRole).toString(),
              QString::fromStdString(music));
    EXPECT_EQ(inserted.size(), 1) << "a view hears of each folder's rows at once";
}

TEST_F(LibraryTest, ListsMp3ThenFlvThenMp4WithTitleTypeAndFolder) {
    touch(movies + "/b.mp4");
    touch(movies + "/a.mp4");
    touch(movies + "/Old.flv");
    touch(movies + "/notes.txt");
    touch(movies + "/stray.mp3"); // mp3 files are only taken from the mp3 folder
    touch(music + "/My.Song.mp3");
    touch(music + "/clip.mp4");
    fs::create_directories(music + "/folder.mp3"); // not a file

    library.listFolders(movies, music);

    EXPECT_EQ(rows(), (Rows{{"My.Song", "mp3", music},
                            {"Old", "flv", movies},
                            {"a", "mp4", movies},
                            {"b", "mp4", movies}}));
}

TEST_F(LibraryTest, SplitsOddNamesAtTheLastDot) {
    touch(music + "/a..mp3");
    touch(music + "/.mp3");
    touch(music + "/It's \"quoted\" #1? 100%.mp3");
    touch(movies + "/LOUD.MP4");
    touch(movies + "/mixed.Flv");

    library.listFolders(movies, music);

    // Capital extensions are listed and keep their spelling.
    EXPECT_EQ(rows(), (Rows{{"", "mp3", music},
                            {"It's \"quoted\" #1? 100%", "mp3", music},
                            {"a.", "mp3", music},
                            {"mixed", "Flv", movies},
                            {"LOUD", "MP4", movies}}));
}

TEST_F(LibraryTest, SameFolderForBothListsEachFileOnce) {
    touch(music + "/song.mp3");
    touch(music + "/movie.flv");
    touch(music + "/movie.mp4");

    library.listFolders(music + "/", music + "/");

    EXPECT_EQ(rows(), (Rows{{"song", "mp3", music + "/"},
                            {"movie", "flv", music + "/"},
                            {"movie", "mp4", music + "/"}}));
}

TEST_F(LibraryTest, FolderThatCannotBeListedIsSkipped) {
    touch(movies + "/clip.mp4");
    touch(root + "/plain-file");

    library.listFolders(movies, root + "/missing");
    library.listFolders(root + "/plain-file", root + "/plain-file");
    EXPECT_EQ(rows(), (Rows{{"clip", "mp4", movies}}));

    if (geteuid() != 0) { // root reads any folder
        touch(music + "/hidden.mp3");
        fs::permissions(music, fs::perms::none);
        library.listFolders(root + "/missing", music);
        fs::permissions(music, fs::perms::owner_all);
        EXPECT_EQ(library.rowCount(), 1);
    }
}

TEST_F(LibraryTest, RowsGiveTheirFileAndHiddenKindsStayOut) {
    const std::string odd = root + "/My #1 ?Music% 'x'";
    fs::create_directories(odd);
    touch(odd + "/song.mp3");
    touch(movies + "/clip.mp4");

    library.listFolders(movies, odd);
    library.add("Transferred", "mp4", "");

    EXPECT_EQ(library.mediaPath(1), movies + "/clip.mp4");
    EXPECT_EQ(library.mediaPath(0), odd + "/song.mp3");

    // A row without a folder, or no row at all, has no file.
    for (int row : {2, 3, -1})
        EXPECT_EQ(library.mediaPath(row), "") << row;

    // With music unticked, music is neither listed nor added.
    library.clear();
    library.setShown(true, false);
    library.listFolders(movies, odd);
    library.add("New", "MP3", odd);
    library.add("Film", "flv", movies);
    // A file a transfer saved twice (a retry) is listed once.
    library.addOnce("Film", "flv", movies);
    library.addOnce("Film", "mp4", movies);
    library.addOnce("Song", "mp3", music);
    ASSERT_EQ(rows(),
              (Rows{{"clip", "mp4", movies}, {"Film", "flv", movies}, {"Film", "mp4", movies}}));
}

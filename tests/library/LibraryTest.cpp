#include "Library.h"
#include "LibraryView.h"
#include "ListView.h"

#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void touch(const fs::path& file) {
    std::ofstream(file) << "x";
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        movies = root + "/Movies";
        music = root + "/Music";
        fs::create_directories(movies);
        fs::create_directories(music);
        view.reset(LibraryView::build(nullptr));
    }

    std::vector<std::vector<std::string>> rows() const {
        std::vector<std::vector<std::string>> all;
        for (int row = 0; row < ListView::rowCount(view.get()); ++row) {
            std::vector<std::string> cells;
            for (int cell = 0; cell < ListView::cellCount(view.get(), row); ++cell)
                cells.push_back(ListView::cellText(view.get(), row, cell).toStdString());
            all.push_back(cells);
        }
        return all;
    }

    QTemporaryDir dir;
    std::string root, movies, music;
    std::unique_ptr<QTreeWidget> view;
};

using Rows = std::vector<std::vector<std::string>>;

} // namespace

TEST_F(LibraryTest, ListShowsTitleAndTypeOnly) {
    EXPECT_EQ(view->objectName(), "libraryList");
    ASSERT_EQ(view->columnCount(), 2);
    EXPECT_EQ(view->headerItem()->text(0), "Title");
    EXPECT_EQ(view->headerItem()->text(1), "Type");
    // The title takes the width the window has to spare.
    EXPECT_EQ(view->header()->sectionResizeMode(0), QHeaderView::Stretch);
    EXPECT_EQ(view->columnWidth(1), 80);
    EXPECT_FALSE(view->header()->sectionsClickable());
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);

    touch(music + "/song.mp3");
    Library(view.get()).show(movies, music);
    EXPECT_EQ(view->columnCount(), 2) << "the folder cell has no column";
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

    Library library(view.get());
    library.show(movies, music);

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

    Library library(view.get());
    library.show(movies, music);

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

    Library library(view.get());
    library.show(music + "/", music + "/");

    EXPECT_EQ(rows(), (Rows{{"song", "mp3", music + "/"},
                            {"movie", "flv", music + "/"},
                            {"movie", "mp4", music + "/"}}));
}

TEST_F(LibraryTest, FolderThatCannotBeListedIsSkipped) {
    touch(movies + "/clip.mp4");
    touch(root + "/plain-file");

    Library library(view.get());
    library.show(movies, root + "/missing");
    library.helpShow(root + "/plain-file", "*.mp3");
    EXPECT_EQ(rows(), (Rows{{"clip", "mp4", movies}}));

    if (geteuid() != 0) { // root reads any folder
        touch(music + "/hidden.mp3");
        fs::permissions(music, fs::perms::none);
        library.helpShow(music, "*.mp3");
        fs::permissions(music, fs::perms::owner_all);
        EXPECT_EQ(ListView::rowCount(view.get()), 1);
    }
}

TEST_F(LibraryTest, RowsGiveTheirFileAndHiddenKindsStayOut) {
    const std::string odd = root + "/My #1 ?Music% 'x'";
    fs::create_directories(odd);
    touch(odd + "/song.mp3");
    touch(movies + "/clip.mp4");

    Library library(view.get());
    library.show(movies, odd);
    ListView::addRow(view.get(), {"Transferred", "mp4"});

    EXPECT_EQ(library.mediaPath(1), movies + "/clip.mp4");
    EXPECT_EQ(library.mediaPath(0), odd + "/song.mp3");

    // A row without a folder, or no row at all, has no file.
    for (int row : {2, 3, -1})
        EXPECT_EQ(library.mediaPath(row), "") << row;

    // With music unticked, music is neither listed nor added.
    library.clear();
    library.setShown(true, false);
    library.show(movies, odd);
    library.add("New", "MP3", odd);
    library.add("Film", "flv", movies);
    // A file a transfer saved twice (a retry) is listed once.
    library.addOnce("Film", "flv", movies);
    library.addOnce("Film", "mp4", movies);
    library.addOnce("Song", "mp3", music);
    ASSERT_EQ(rows(),
              (std::vector<std::vector<std::string>>{
                  {"clip", "mp4", movies}, {"Film", "flv", movies}, {"Film", "mp4", movies}}));
}

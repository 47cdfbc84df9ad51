// My Library in the window: sorting on raw values, the library across every
// folder saved into, and the hand-overs to a desktop that opens nothing.
#include "WindowFixture.h"

#include "DataFolderFixture.h"
#include "app/session/UnheldDataFolder.h"
#include "library/Library.h"
#include "library/SubtitleFiles.h"
#include "support/FixtureServer.h"
#include "support/ScopedPath.h"
#include "support/TestFiles.h"

#include <QHeaderView>
#include <QMenu>

#include <filesystem>

namespace fs = std::filesystem;
using testfiles::writeFile;

namespace {

QStringList titles(QTreeView* list) {
    QStringList shown;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        shown << list->model()->index(row, Library::TitleColumn).data().toString();
    return shown;
}

void clickHeader(QTreeView* list, int column) {
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

void select(QTreeView* list, int row) {
    list->setCurrentIndex(list->model()->index(row, 0));
}

} // namespace

TEST_F(WindowTest, LibrarySortsOnRawValuesShowsItsNewColumnsAndKeepsTheOrder) {
    const std::string movies = window->dataFolder()->settings().movieFolder;
    fs::create_directories(movies);
    // Sizes whose texts sort otherwise ("20.0 kB" < "3.0 MB" < "900 B").
    const auto now = fs::file_time_type::clock::now();
    const std::vector<std::tuple<std::string, std::size_t, int>> files{
        {"b", 900, 2}, {"a", 20000, 1}, {"c", 3000000, 3}};
    for (const auto& [title, size, hoursAgo] : files) {
        writeFile(movies + "/" + title + ".mp4", std::string(size, 'x'));
        fs::last_write_time(movies + "/" + title + ".mp4", now - std::chrono::hours(hoursAgo));
    }
    ASSERT_TRUE(window->dataFolder()->saveSettings(window->dataFolder()->settings()));
    window->show();
    tabs()->setCurrentWidget(window->libraryTab());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTreeView* list = libraryList();
    const QAbstractItemModel* model = list->model();
    QStringList headers;
    for (int column = 0; column < model->columnCount(); ++column)
        headers << model->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"Title", "Type", "Folder", "Size", "Modified"}));
    EXPECT_EQ(libraryCell(0, Library::FolderColumn).toStdString(), movies);
    EXPECT_EQ(libraryCell(0, Library::SizeColumn), "20.0 kB");
    EXPECT_EQ(model->index(0, Library::SizeColumn).data(Library::SortRole).toLongLong(), 20000);
    EXPECT_FALSE(libraryCell(0, Library::ModifiedColumn).isEmpty());

    clickHeader(list, Library::SizeColumn);
    EXPECT_EQ(titles(list), QStringList({"b", "a", "c"}));
    EXPECT_TRUE(list->header()->isSortIndicatorShown());
    EXPECT_EQ(list->header()->sortIndicatorSection(), Library::SizeColumn);
    clickHeader(list, Library::SizeColumn);
    EXPECT_EQ(titles(list), QStringList({"c", "a", "b"}));
    EXPECT_EQ(list->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    clickHeader(list, Library::ModifiedColumn);
    EXPECT_EQ(titles(list), QStringList({"c", "b", "a"}));
    // A file saved later takes its place in the order.
    writeFile(movies + "/d.mp4", "x");
    fs::last_write_time(movies + "/d.mp4", now - std::chrono::hours(10));
    window->dataFolder()->library().add("d", "mp4", movies);
    EXPECT_EQ(titles(list), QStringList({"d", "c", "b", "a"}));

    // The next start shows the order the user left.
    window->close();
    window.reset();
    window = std::make_unique<quillmoth::MainWindow>();
    EXPECT_EQ(libraryList()->header()->sortIndicatorSection(), Library::ModifiedColumn);
    EXPECT_EQ(titles(libraryList()), QStringList({"d", "c", "b", "a"}));
}

TEST_F(WindowTest, LibraryListsEveryFolderSavedIntoAndFilesWhereTheyWereSaved) {
    FixtureServer server;
    server.stream("/movie", testBytes(64 * 1024));
    server.watchPage("/watch", "Ignored",
                     {{"5", server.url("/movie")}, {"34", server.url("/movie")}});
    DataFolder& data = *window->dataFolder();
    const std::string first = home.filePath("first").toStdString();
    const std::string second = home.filePath("second").toStdString();
    fs::create_directories(first);
    fs::create_directories(second);
    writeFile(first + "/Earlier.mp4", "x");
    Settings wanted = data.settings();
    wanted.movieFolder = first;
    ASSERT_TRUE(data.saveSettings(wanted));
    // Queued while the first folder is in force, saved after the change.
    data.holdTransfers(true);
    data.download(server.url("/watch"), "Late Clip");
    wanted.movieFolder = second;
    ASSERT_TRUE(data.saveSettings(wanted));
    data.holdTransfers(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return data.transfers().at(0).ended(); }, 60000));
    ASSERT_EQ(data.transfers().at(0).state, TransferState::Done)
        << transferCell(0, TransferModel::StatusColumn).toStdString();

    const auto listed = [&] {
        QStringList rows;
        for (int row = 0; row < libraryRows(); ++row)
            rows << libraryCell(row, Library::TitleColumn) + " in " +
                        libraryCell(row, Library::FolderColumn);
        rows.sort();
        return rows;
    };
    const QStringList expected{"Earlier in " + QString::fromStdString(first),
                               "Late Clip in " + QString::fromStdString(first)};
    EXPECT_EQ(listed(), expected);
    window->close();
    window.reset();
    window = std::make_unique<quillmoth::MainWindow>();
    EXPECT_EQ(listed(), expected) << "after a restart too";
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(WindowTest, LibraryActionsAndHandOversSayWhatTheyCouldNotDo) {
    // A desktop whose xdg-open finds nothing for anything.
    QTemporaryDir bin;
    writeFile(bin.filePath("xdg-open").toStdString(), "#!/bin/sh\nexit 3\n");
    fs::permissions(bin.filePath("xdg-open").toStdString(), fs::perms::owner_all);
    ScopedPath path(bin.path().toStdString() + ":/usr/bin:/bin");
    const std::string movies = window->dataFolder()->settings().movieFolder;
    const std::string clip = movies + "/Clip.mp4";
    fs::create_directories(movies);
    writeFile(clip, "movie");
    // Its subtitles, a second English one as its copy is named.
    writeFile(movies + "/Clip.en.vtt", "WEBVTT\n");
    writeFile(movies + "/Clip.en(1).vtt", "WEBVTT\n");
    Library& library = window->dataFolder()->library();
    library.clear();
    library.add("Clip", "mp4", movies);
    LibraryTab* tab = window->libraryTab();
    select(libraryList(), 0);
    const auto said = [&](const QString& text) {
        return QTest::qWaitFor([&] { return messages.contains(text); }, 20000);
    };

    tab->showFolderAction()->trigger();
    EXPECT_TRUE(said("Could not show the folder " + QString::fromStdString(movies) +
                     ": no file manager on this desktop opened it."));
    tab->openWithAction()->trigger();
    EXPECT_TRUE(said("Could not open " + QString::fromStdString(clip) +
                     ": no application on this desktop opened it."));
    window->findChild<QAction*>("helpAction")->trigger();
    EXPECT_TRUE(said("Could not open " + QUrl(QUILLMOTH_SITE_URL).toString() +
                     ": no web browser on this desktop opened it."));

    // No trash to move it to: said, and nothing deleted.
    const QString trash = home.filePath("Trash");
    writeFile(trash.toStdString(), "not a folder");
    WindowQuestions questions;
    questions.answers << QMessageBox::Yes << QMessageBox::Yes;
    QTest::keyClick(libraryList(), Qt::Key_Delete);
    EXPECT_EQ(questions.asked.value(0), "Move Clip.mp4 to the trash?");
    EXPECT_TRUE(messages.last().startsWith("These files could not be moved to the trash"));
    EXPECT_TRUE(fs::exists(clip));
    ASSERT_EQ(libraryRows(), 1);

    // Renamed, then moved to a trash that can be made.
    tab->setNamePrompt([](const QString& title) { return title + " (kept)"; });
    QTest::keyClick(libraryList(), Qt::Key_F2);
    EXPECT_EQ(libraryCell(0, Library::TitleColumn), "Clip (kept)");
    EXPECT_TRUE(fs::exists(movies + "/Clip (kept).mp4"));
    // The subtitles follow, under the names the player looks for.
    EXPECT_EQ(SubtitleFiles::beside(movies + "/Clip (kept).mp4").size(), 2u);
    EXPECT_FALSE(fs::exists(movies + "/Clip.en.vtt"));
    QFile::remove(trash);
    tab->deleteAction()->trigger();
    EXPECT_EQ(libraryRows(), 0);
    EXPECT_FALSE(fs::exists(movies + "/Clip (kept).mp4"));
    EXPECT_TRUE(fs::exists(trash.toStdString() + "/files/Clip (kept).mp4"));
    EXPECT_TRUE(fs::exists(trash.toStdString() + "/files/Clip (kept).en(1).vtt"));
    EXPECT_TRUE(fs::is_empty(movies));

    // A start that cannot write its data folder opens all the same, and says so.
    const UnheldDataFolder unheld(trash + "/info/x", "why");
    EXPECT_TRUE(unheld.windowMayOpen());
    EXPECT_TRUE(unheld.text().contains("keeps nothing of this session"));
    EXPECT_FALSE(UnheldDataFolder(home.path(), "why").windowMayOpen());
}

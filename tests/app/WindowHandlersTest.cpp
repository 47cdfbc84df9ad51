// The window's handlers: Settings tab enabling and saving, the Transfers
// tab's menu and keys over the selection, library double-click.
#include "WindowFixture.h"

#include "TransferHistory.h"
#include "app/window/HomeTab.h"
#include "app/window/LibraryTab.h"
#include "app/window/TransfersTab.h"
#include "support/gui/UrlCatcher.h"
#include "library/Library.h"
#include "support/FixtureServer.h"
#include "support/TestFiles.h"
#include "transfers/list/TransferList.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

QPoint rowCentre(const QTreeView* list, int row) {
    return list->visualRect(list->model()->index(row, 0)).center();
}

void clickRow(QTreeView* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, row));
}

} // namespace

TEST_F(WindowTest, SaveSettingsEnablesOnEveryChangeAndDisablesOnASuccessfulSave) {
    const std::pair<const char*, const char*> toggles[] = {
        {"libraryGroup", "showMoviesBox"},     {"libraryGroup", "showMusicBox"},
        {"conversionGroup", "autoConvertBox"}, {"downloadsGroup", "notifyBox"},
        {"qualityGroup", "qualityHighest"},    {"qualityGroup", "qualityHigh"},
        {"qualityGroup", "qualityMedium"},     {"qualityGroup", "qualityLow"}};
    for (const auto& [box, name] : toggles) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(saveEnabled());
        QAbstractButton* button = settingsButton(box, name);
        ASSERT_NE(button, nullptr);
        if (button->isChecked() && std::string(box) == "qualityGroup")
            settingsButton(box,
                           std::string(name) == "qualityHighest" ? "qualityHigh" : "qualityHighest")
                ->setChecked(true);
        else
            button->toggle();
        EXPECT_TRUE(saveEnabled());
        findControlAs<QPushButton>(settingsPage(), "saveButton")->click();
        EXPECT_FALSE(saveEnabled());
    }
    // Transfers at once: saved and in force for the list at once.
    settingsPage()->maxRunningBox()->setValue(6);
    EXPECT_TRUE(saveEnabled());
    findControlAs<QPushButton>(settingsPage(), "saveButton")->click();
    EXPECT_FALSE(saveEnabled());
    EXPECT_EQ(window->dataFolder()->transfers().maxRunning(), 6);
    EXPECT_TRUE(messages.isEmpty());
    // Typing a folder enables it too.
    QTest::keyClicks(settingsPage()->musicFolderBox(), "x");
    EXPECT_TRUE(saveEnabled());
}

TEST_F(WindowTest, BrowseKeepsTheChoosersLastFolderAndARefusedSaveStaysEnabled) {
    auto* movieBox =
        control<QLineEdit>({"tabs", "settingsTab", "downloadsGroup", "movieFolderBox"});
    auto* mp3Box = control<QLineEdit>({"tabs", "settingsTab", "downloadsGroup", "musicFolderBox"});
    ASSERT_TRUE(movieBox && mp3Box);
    // Cancelled with nothing chosen yet: the box keeps its folder.
    const QString before = movieBox->text();
    ASSERT_FALSE(before.isEmpty());
    settingsButton("downloadsGroup", "movieBrowseButton")->click();
    EXPECT_EQ(movieBox->text(), before);

    const QString chosen = home.path() + "/chosen";
    QDir().mkpath(chosen);
    chooserAnswers << chosen;
    settingsButton("downloadsGroup", "movieBrowseButton")->click();
    EXPECT_EQ(movieBox->text(), chosen);
    // Cancelled on the other button: the folder chosen last is copied.
    settingsButton("downloadsGroup", "musicBrowseButton")->click();
    EXPECT_EQ(mp3Box->text(), chosen);

    // config.dat cannot be replaced while a folder stands in its place.
    const std::string config = SettingsStore::userDataFolder() + "config.dat";
    std::filesystem::remove(config);
    std::filesystem::create_directories(config + "/blocked");
    findControlAs<QPushButton>(settingsPage(), "saveButton")->click();
    EXPECT_TRUE(saveEnabled());
    EXPECT_EQ(messages, QStringList({"Error: Could not save the settings."}));
    // The values are in force all the same.
    EXPECT_EQ(window->dataFolder()->settings().movieFolder, chosen.toStdString());
    EXPECT_EQ(window->dataFolder()->settings().musicFolder, chosen.toStdString());

    std::filesystem::remove_all(config);
    findControlAs<QPushButton>(settingsPage(), "saveButton")->click();
    EXPECT_FALSE(saveEnabled());
    std::ifstream in(config);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "moviePath;" + chosen.toStdString() + "\r");
}

TEST_F(WindowTest, UnsavedSettingsAreSavedOrDiscardedOnLeavingTheTabAndOnClosing) {
    const QString unsaved = "The settings have unsaved changes. Save them?";
    WindowQuestions questions;
    window->show();
    QAbstractButton* convert = settingsButton("conversionGroup", "autoConvertBox");

    // Discard: the tab shows the settings in force again.
    tabs()->setCurrentWidget(settingsPage());
    convert->click();
    questions.answers << QMessageBox::Discard;
    tabs()->setCurrentWidget(window->searchTab());
    EXPECT_EQ(questions.asked, QStringList({unsaved}));
    EXPECT_FALSE(convert->isChecked());
    EXPECT_FALSE(saveEnabled());
    EXPECT_FALSE(window->dataFolder()->settings().convertToMp3);

    // Save: in force before the next download.
    tabs()->setCurrentWidget(settingsPage());
    convert->click();
    questions.answers << QMessageBox::Save;
    tabs()->setCurrentWidget(window->transfersTab());
    EXPECT_TRUE(window->dataFolder()->settings().convertToMp3);
    EXPECT_FALSE(saveEnabled());
    EXPECT_EQ(window->statusBar()->currentMessage(), "Settings saved.");
    // The transfers' summary stays in sight beside it.
    EXPECT_TRUE(control<QLabel>({"statusBar", "statusLabel"})->isVisible());

    // Cancel stays on the tab, the changes kept.
    tabs()->setCurrentWidget(settingsPage());
    convert->click();
    questions.answers << QMessageBox::Cancel;
    tabs()->setCurrentWidget(window->transfersTab());
    EXPECT_EQ(currentTab(), settingsPage());
    EXPECT_TRUE(saveEnabled());
    convert->click();

    // A save that is refused keeps the user on the tab, with the changes.
    tabs()->setCurrentWidget(settingsPage());
    const std::string file = home.path().toStdString() + "/a file";
    testfiles::writeFile(file, "x");
    settingsPage()->musicFolderBox()->clear();
    QTest::keyClicks(settingsPage()->musicFolderBox(), QString::fromStdString(file));
    questions.answers << QMessageBox::Save;
    tabs()->setCurrentWidget(window->searchTab());
    EXPECT_EQ(currentTab(), settingsPage());
    EXPECT_TRUE(saveEnabled());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("cannot be written")) << messages[0].toStdString();

    // Closing asks too: Cancel stays, and a close nobody can answer (a
    // signal, logging out) neither asks nor saves.
    questions.asked.clear();
    questions.answers << QMessageBox::Cancel;
    EXPECT_FALSE(window->close());
    EXPECT_EQ(questions.asked, QStringList({unsaved}));
    EXPECT_TRUE(window->isVisible());
    window->closeWithoutAsking();
    EXPECT_EQ(questions.asked.size(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(window->dataFolder()->settings().musicFolder, file);
}

TEST_F(WindowTest, TransferMenuAndKeysActOnEverySelectedRowTheyApplyTo) {
    // A stream that never ends keeps a resumed transfer running.
    FixtureServer server;
    server.watchPage("/watch", "Held", {{"5", server.url("/stall")}, {"34", server.url("/stall")}});
    server.stall("/stall", "F");
    const std::string movies = home.path().toStdString() + "/films";
    std::filesystem::create_directories(movies);
    testfiles::writeFile(movies + "/Done Clip.mp4", "movie");
    TransferRecord done = historyRecord(1, TransferState::Done, "Done Clip");
    done.movieFolder = movies;
    done.moviePath = movies + "/Done Clip.mp4";
    TransferRecord paused = historyRecord(3, TransferState::Paused, "Held", server.url("/watch"));
    paused.movieFolder = movies;
    TransferRecord song = historyRecord(5, TransferState::Done, "Song");
    song.kind = TransferKind::Conversion;
    song.musicFolder = home.path().toStdString() + "/songs";
    song.mp3Path = song.musicFolder + "/Song.mp3";
    std::filesystem::create_directories(song.musicFolder);
    testfiles::writeFile(song.mp3Path, "song");
    window.reset();
    keepHistory({done, historyRecord(2, TransferState::Failed, "Broken"), paused,
                 historyRecord(4, TransferState::Cancelled, "Stopped"), song});
    window = std::make_unique<quillmoth::MainWindow>();
    window->show();
    tabs()->setCurrentWidget(window->transfersTab());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 60000));
    TransfersTab* tab = window->transfersTab();
    ASSERT_EQ(transferRows(), 5);
    auto select = [&](std::initializer_list<int> rows) {
        QItemSelectionModel* selection = transferList()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(transferList()->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    auto enabled = [&] {
        tab->updateActions();
        QStringList names;
        for (QAction* action : tab->menu()->actions())
            if (action->isEnabled() && !action->isSeparator())
                names << action->text().remove('&');
        return names;
    };

    // Nothing selected, nothing to do but clear every ended row.
    EXPECT_EQ(enabled(), QStringList({"Clear Finished"}));
    // The menus show the lists' keys; Shift+F10 opens the menu at the current row.
    EXPECT_EQ(tab->clearAction()->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(window->libraryTab()->playAction()->shortcut(), QKeySequence(Qt::Key_Return));
    transferList()->setCurrentIndex(transferList()->model()->index(1, 0));
    QTest::keyClick(transferList(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(tab->menu()->pos(),
              transferList()->viewport()->mapToGlobal(
                  transferList()->visualRect(transferList()->currentIndex()).center()));
    tab->menu()->hide();
    // Clearing more than one row asks first.
    {
        WindowQuestions questions;
        questions.answers << QMessageBox::Cancel << QMessageBox::Discard;
        select({1, 3});
        EXPECT_TRUE(tab->chosenToClear().empty());
        EXPECT_EQ(tab->chosenToClear().size(), 2u);
        EXPECT_EQ(questions.asked.value(0),
                  "Clear 2 transfers? Their saved files stay where they are.");
    }
    // Each action where it applies to any of the selected rows.
    select({1, 2});
    EXPECT_EQ(enabled(), QStringList({"Resume", "Cancel", "Retry", "Clear", "Clear Finished"}));
    select({0, 4});
    EXPECT_EQ(enabled(),
              QStringList({"Clear", "Clear Finished", "Convert to MP3", "Play", "Show in Folder"}));

    // Clear takes every ended row selected, and only those, once agreed to.
    select({1, 2, 3});
    {
        WindowQuestions questions;
        questions.answers << QMessageBox::Discard;
        tab->clearAction()->trigger();
        EXPECT_EQ(questions.asked.size(), 1);
    }
    ASSERT_EQ(transferRows(), 3);
    EXPECT_EQ(transferCell(1, TransferModel::TitleColumn), "Held");
    EXPECT_TRUE(messages.isEmpty());

    // Space resumes the paused row, and pauses it again.
    const TransferList& list = window->dataFolder()->transfers();
    select({1});
    QTest::keyClick(transferList(), Qt::Key_Space);
    EXPECT_TRUE(list.at(1).active() || list.at(1).state == TransferState::Queued);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hits("/stall") == 1; }, 60000));
    QTest::keyClick(transferList(), Qt::Key_Space);
    EXPECT_EQ(list.at(1).state, TransferState::Paused);

    // Enter plays the movie in the Home pane, as the library's play does.
    BrowserPane* pane = window->homeTab()->browser();
    const std::string before = requestedAddress(pane);
    select({0});
    QTest::keyClick(transferList(), Qt::Key_Return);
    EXPECT_EQ(currentTab()->objectName(), "homeTab");
    EXPECT_TRUE(QTest::qWaitFor([&] { return requestedAddress(pane) != before; }, 60000));
    // Show in Folder: the desktop's file manager (here, with no bus, the
    // folder) for the row's file, the MP3 when no movie.
    tabs()->setCurrentWidget(tab);
    select({2});
    {
        UrlCatcher desktop("file");
        tab->showFolderAction()->trigger();
        EXPECT_EQ(desktop.urls,
                  QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(song.musicFolder))}));
    }
    EXPECT_EQ(currentTab(), tab);

    // Delete clears the ended rows of the selection only.
    tabs()->setCurrentWidget(tab);
    select({0, 1});
    QTest::keyClick(transferList(), Qt::Key_Delete);
    ASSERT_EQ(transferRows(), 2);
    EXPECT_EQ(transferCell(0, TransferModel::TitleColumn), "Held");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WindowTest, LibraryActsOnTheSelectedRowAndPlaysTheDoubleClickedOneOnlyFromItsTab) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 60000));
    QTreeView* list = libraryList();
    Library& library = window->dataFolder()->library();
    library.clear();
    BrowserPane* home = window->homeTab()->browser();
    const std::string splash = requestedAddress(home);

    // Empty list: the menu commands do nothing.
    window->libraryTab()->playAction()->trigger();
    window->libraryTab()->showFolderAction()->trigger();
    EXPECT_EQ(tabs()->currentWidget(), window->homeTab());

    const std::string folder = window->dataFolder()->settings().movieFolder;
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Clip.mp4") << "movie";
    library.add("Clip", "mp4", folder);

    tabs()->setCurrentWidget(window->libraryTab());
    // Double-click below the last row: nothing happens.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       QPoint(10, list->viewport()->height() - 3));
    EXPECT_EQ(tabs()->currentWidget(), window->libraryTab());
    EXPECT_EQ(requestedAddress(home), splash);

    tabs()->setCurrentWidget(window->searchTab());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 0));
    EXPECT_EQ(requestedAddress(home), splash) << "only from the My Library tab";

    tabs()->setCurrentWidget(window->libraryTab());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 0));
    EXPECT_EQ(currentTab()->objectName(), "homeTab");
    EXPECT_TRUE(QTest::qWaitFor([&] { return requestedAddress(home) != splash; }, 60000));

    // The actions follow the selection, not the last row clicked: click the
    // second row, then go up with the keyboard; Show in Folder shows the
    // first row's file and Enter plays it.
    const std::string other = folder + "/other";
    std::filesystem::create_directories(other);
    library.add("Song", "mp3", other);
    tabs()->setCurrentWidget(window->libraryTab());
    clickRow(list, 1);
    EXPECT_EQ(window->libraryTab()->chosenRow(), 1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(window->libraryTab()->chosenRow(), 0);
    UrlCatcher desktop("file");
    window->libraryTab()->showFolderAction()->trigger();
    EXPECT_EQ(desktop.urls, QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(folder))}));

    list->clearSelection();
    EXPECT_EQ(window->libraryTab()->chosenRow(), -1);
    window->libraryTab()->showFolderAction()->trigger();
    EXPECT_EQ(desktop.urls.size(), 1) << "nothing selected, nothing done";
    home->navigate(QStringLiteral("about:blank"));
    clickRow(list, 0);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(currentTab()->objectName(), "homeTab");
    EXPECT_TRUE(QTest::qWaitFor([&] { return requestedAddress(home) != "about:blank"; }, 60000));
}

TEST_F(WindowTest, PastedAndDroppedLinksAreDownloadedAndOtherTextIsSaid) {
    QGuiApplication::clipboard()->setText("  http://127.0.0.1:9/watch?v=1\n");
    window->findChild<QAction*>("pasteLinkAction")->trigger();
    EXPECT_EQ(transferRows(), 1);
    EXPECT_EQ(currentTab(), window->transfersTab());
    EXPECT_EQ(window->findChild<QAction*>("pasteLinkAction")->shortcut(),
              QKeySequence(QKeySequence::Paste));

    // Nothing at all (a start without addresses) says nothing.
    window->takeAddresses({});
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    QGuiApplication::clipboard()->setText("not a link");
    window->findChild<QAction*>("pasteLinkAction")->trigger();
    EXPECT_EQ(transferRows(), 1);
    EXPECT_EQ(window->statusBar()->currentMessage(), "Not a web address, skipped: not a link");

    // A drop of links: the web ones only.
    QMimeData links;
    links.setUrls({QUrl("http://127.0.0.1:9/watch?v=2"), QUrl("file:///etc/passwd")});
    window->show();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &links, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &links, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(transferRows(), 2);
    EXPECT_EQ(window->statusBar()->currentMessage(),
              "Not a web address, skipped: file:///etc/passwd");
}

// The window's handlers: Settings tab enabling and saving, the list context
// menus with stale rows, library double-click, and the drain cadence.
#include "WindowFixture.h"

#include "HomeTab.h"
#include "LibraryTab.h"
#include "TransfersTab.h"
#include "core.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// Keeps started jobs instead of running them, so reports are fed by hand.
struct KeptJobs {
    std::vector<std::unique_ptr<core>> jobs;
    void attach(Manager* mgr) {
        mgr->getDownloads().setWorkerStarter(
            [this](std::unique_ptr<core> job) { jobs.push_back(std::move(job)); });
    }
};

void clickRow(QTreeWidget* list, int row, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = ListView::rowBounds(list, row).center();
    QTest::mouseClick(list->viewport(), button, {}, at);
}

void tickUntilIdle(Manager* mgr) {
    for (int i = 0; i < 100; ++i) {
        mgr->tick();
        if (mgr->getDownloads().tick() == false)
            break;
    }
}

} // namespace

TEST_F(WindowTest, SaveSettingsEnablesOnEveryToggleAndDisablesOnASuccessfulSave) {
    const std::pair<const char*, const char*> toggles[] = {
        {"groupBox3", "movieCheck"},   {"groupBox3", "mp3Check"},     {"groupBox4", "autoCheck"},
        {"groupBox1", "notifyCheck"},  {"groupBox2", "radioButton1"}, {"groupBox2", "radioButton2"},
        {"groupBox2", "radioButton3"}, {"groupBox2", "radioButton4"}};
    for (const auto& [box, name] : toggles) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(saveEnabled());
        QAbstractButton* button = settingsButton(box, name);
        ASSERT_NE(button, nullptr);
        if (button->isChecked() && std::string(name).rfind("radio", 0) == 0)
            settingsButton("groupBox2", name[11] == '1' ? "radioButton2" : "radioButton1")
                ->setChecked(true);
        else
            button->toggle();
        EXPECT_TRUE(saveEnabled());
        findControlAs<QPushButton>(settingsPage(), "saveSettingsBtn")->click();
        EXPECT_FALSE(saveEnabled());
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WindowTest, BrowseKeepsTheChoosersLastFolderAndARefusedSaveStaysEnabled) {
    auto* movieBox = control<QLineEdit>({"tabControl1", "tabPage5", "groupBox1", "movieTextSave"});
    auto* mp3Box = control<QLineEdit>({"tabControl1", "tabPage5", "groupBox1", "mp3SaveText"});
    ASSERT_TRUE(movieBox && mp3Box);
    // Cancelled with nothing chosen yet: the box keeps its folder.
    const QString before = movieBox->text();
    ASSERT_FALSE(before.isEmpty());
    settingsButton("groupBox1", "movieBrowseBtn")->click();
    EXPECT_EQ(movieBox->text(), before);

    const QString chosen = home.path() + "/chosen";
    QDir().mkpath(chosen);
    chooserAnswers << chosen;
    settingsButton("groupBox1", "movieBrowseBtn")->click();
    EXPECT_EQ(movieBox->text(), chosen);
    // Cancelled on the other button: the folder chosen last is copied.
    settingsButton("groupBox1", "mp3BorwseButton")->click();
    EXPECT_EQ(mp3Box->text(), chosen);

    // config.dat cannot be replaced while a folder stands in its place.
    const std::string config = Settings::dataFolder() + "config.dat";
    std::filesystem::remove(config);
    std::filesystem::create_directories(config + "/blocked");
    findControlAs<QPushButton>(settingsPage(), "saveSettingsBtn")->click();
    EXPECT_TRUE(saveEnabled());
    // The values are in force all the same.
    EXPECT_EQ(window->manager()->getSettings().getMoviePath(), chosen.toStdString());
    EXPECT_EQ(window->manager()->getSettings().getMp3Path(), chosen.toStdString());

    std::filesystem::remove_all(config);
    findControlAs<QPushButton>(settingsPage(), "saveSettingsBtn")->click();
    EXPECT_FALSE(saveEnabled());
    std::ifstream in(config);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "moviePath;" + chosen.toStdString() + "\r");
}

TEST_F(WindowTest, TickCadenceIsBusyAfterWorkAndIdleOtherwise) {
    KeptJobs kept;
    kept.attach(window->manager());
    ASSERT_TRUE(window->manager()->download("http://127.0.0.1:1/none", "Cadence"));
    QTimer* timer = window->timer();

    Downloads::cb(0, "Scraping URL...");
    window->manager()->tick();
    EXPECT_EQ(timer->interval(), Manager::BusyInterval);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(ListView::cellText(transferList(), 0, 2), "Scraping URL...");

    window->manager()->tick();
    EXPECT_EQ(timer->interval(), Manager::IdleInterval);
    EXPECT_TRUE(timer->isActive());

    Downloads::cb2(0, 100, 50);
    window->manager()->tick();
    EXPECT_EQ(timer->interval(), Manager::BusyInterval);
}

TEST_F(WindowTest, TransferMenuActsOnTheClickedRowAndIgnoresAStaleOne) {
    window->show();
    KeptJobs kept;
    kept.attach(window->manager());
    Manager* mgr = window->manager();
    mgr->download("http://127.0.0.1:1/a", "First");
    mgr->download("http://127.0.0.1:1/b", "Second");
    ASSERT_EQ(ListView::rowCount(transferList()), 2);
    tabs()->setCurrentWidget(window->transfersTab());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    clickRow(transferList(), 1, Qt::RightButton);
    EXPECT_EQ(window->selectedTransferRow(), 1);
    // A running row may be cancelled, not retried (a test's click opens no menu).
    window->transfersTab()->menu()->popup(QPoint(0, 0));
    EXPECT_TRUE(window->transfersTab()->cancelAction()->isEnabled());
    EXPECT_FALSE(window->transfersTab()->retryAction()->isEnabled());
    window->transfersTab()->menu()->hide();
    // A click on the empty area leaves the remembered row alone.
    QTest::mouseClick(transferList()->viewport(), Qt::LeftButton, {},
                      QPoint(10, transferList()->viewport()->height() - 3));
    EXPECT_EQ(window->selectedTransferRow(), 1);

    window->transfersTab()->clearAction()->trigger();
    EXPECT_EQ(messages, QStringList({"This item hasn't finished processing."}));
    messages.clear();

    Downloads::cb(1, "Download Complete!");
    Downloads::cb(1, "done");
    tickUntilIdle(mgr);
    window->transfersTab()->clearAction()->trigger();
    ASSERT_EQ(ListView::rowCount(transferList()), 1);
    EXPECT_EQ(ListView::cellText(transferList(), 0, 0), "First");

    // Row 1 is gone: both commands do nothing, silently.
    window->transfersTab()->clearAction()->trigger();
    window->transfersTab()->convertAction()->trigger();
    EXPECT_EQ(ListView::rowCount(transferList()), 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WindowTest, LibraryPlaysTheDoubleClickedRowOnlyFromItsTab) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTreeWidget* list = libraryList();
    while (ListView::rowCount(list) > 0)
        ListView::removeRow(list, 0);
    BrowserPane* home = window->homeTab()->browser();
    const std::string splash = requestedAddress(home);

    // Empty list: the menu commands do nothing.
    window->libraryTab()->playAction()->trigger();
    window->libraryTab()->manageAction()->trigger();
    EXPECT_EQ(tabs()->currentIndex(), 0);

    const std::string folder = window->manager()->getSettings().getMoviePath();
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Clip.mp4") << "movie";
    ListView::addRow(list, {"Clip", "mp4", QString::fromStdString(folder)});

    tabs()->setCurrentIndex(3);
    // Double-click below the last row: nothing happens.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       QPoint(10, list->viewport()->height() - 3));
    EXPECT_EQ(tabs()->currentIndex(), 3);
    EXPECT_EQ(requestedAddress(home), splash);

    tabs()->setCurrentIndex(1);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, ListView::rowBounds(list, 0).center());
    EXPECT_EQ(requestedAddress(home), splash) << "only from the My Library tab";

    tabs()->setCurrentIndex(3);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, ListView::rowBounds(list, 0).center());
    EXPECT_EQ(currentTab()->objectName(), "tabPage1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return requestedAddress(home) != splash; }, 10000));

    // "manage" shows the row's folder in the Home pane.
    tabs()->setCurrentIndex(3);
    clickRow(list, 0);
    EXPECT_EQ(window->selectedLibraryRow(), 0);
    window->libraryTab()->manageAction()->trigger();
    EXPECT_EQ(currentTab()->objectName(), "tabPage1");
    EXPECT_EQ(requestedAddress(home), "file://" + folder);
}

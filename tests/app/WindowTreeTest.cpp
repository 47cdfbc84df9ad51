// The window's control tree: names, texts, order, menus and first state.
#include "WindowFixture.h"

#include "HomeTab.h"
#include "NamedObject.h"
#include "SiteAddress.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>

namespace {

QStringList headers(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->columnCount(); ++i)
        texts << list->headerItem()->text(i);
    return texts;
}

QStringList headers(const QTreeView* list) {
    QStringList texts;
    for (int i = 0; i < list->model()->columnCount(); ++i)
        texts << list->model()->headerData(i, Qt::Horizontal).toString();
    return texts;
}

QStringList actionNames(const QWidget* menu) {
    QStringList names;
    for (const QAction* a : menu->actions())
        names << a->objectName() + "=" + a->text();
    return names;
}

} // namespace

TEST_F(WindowTest, TabsAndTheirControlsCarryTheirNamesAndTexts) {
    EXPECT_EQ(window->objectName(), "Form1");
    EXPECT_EQ(window->windowTitle(), "Quillmoth");
    QTabWidget* tabControl = tabs();
    ASSERT_NE(tabControl, nullptr);
    QStringList pages;
    for (int i = 0; i < tabControl->count(); ++i)
        pages << tabControl->widget(i)->objectName() + "=" + tabControl->tabText(i);
    EXPECT_EQ(pages, QStringList({"tabPage1=Home", "tabPage2=Search", "transfersTab=Transfers",
                                  "tabPage4=My Library", "tabPage5=Settings"}));
    EXPECT_EQ(tabControl->currentIndex(), 0);

    EXPECT_NE(control<BrowserPane>({"tabControl1", "tabPage1", "webBrowser1"}), nullptr);
    const QStringList left{"tabControl1", "tabPage2", "splitContainer1"};
    ASSERT_NE(control<QSplitter>(left), nullptr);
    auto* title = control<QLineEdit>(left + QStringList{"titleText"});
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Title");
    EXPECT_EQ(title->maxLength(), 256);
    EXPECT_EQ(control<QPushButton>(left + QStringList{"downloadBtn"})->text(), "Download");
    EXPECT_EQ(control<QLabel>(left + QStringList{"label2"})->text(),
              "1. Search for the video you want.\n\n2. When you are on the page that's playing "
              "your video the title will appear.\n\n3. Click Download.");
    EXPECT_EQ(control<QPushButton>(left + QStringList{"button1"})->text(), "Go");
    EXPECT_EQ(control<QLineEdit>(left + QStringList{"textBox1"})->text(),
              QString(QUILLMOTH_SITE_URL) + "/search.php");
    EXPECT_NE(control<BrowserPane>(left + QStringList{"webBrowser2"}), nullptr);

    ASSERT_NE(transferList(), nullptr);
    EXPECT_EQ(headers(transferList()), QStringList({"Title", "Progress", "Status", "Speed"}));
    EXPECT_EQ(transferList()->columnWidth(0), 300);
    EXPECT_EQ(transferList()->columnWidth(1), 200);
    EXPECT_EQ(transferList()->columnWidth(2), 300);
    ASSERT_NE(libraryList(), nullptr);
    EXPECT_EQ(headers(libraryList()), QStringList({"Title", "Type"}));

    EXPECT_FALSE(transferList()->rootIsDecorated());
    EXPECT_TRUE(transferList()->uniformRowHeights());
    EXPECT_EQ(transferList()->selectionMode(), QAbstractItemView::ExtendedSelection);
    auto* menu1 = transferList()->findChild<QMenu*>("contextMenuStrip1");
    ASSERT_NE(menu1, nullptr);
    EXPECT_EQ(actionNames(menu1),
              QStringList({"=Pause", "=Resume", "cancelToolStripMenuItem=Cancel",
                           "retryToolStripMenuItem=Retry", "clearToolStripMenuItem=Clear",
                           "convertToMp3ToolStripMenuItem=Convert to MP3", "=", "=Play",
                           "=Show in Folder"}));
    auto* menu2 = libraryList()->findChild<QMenu*>("contextMenuStrip2");
    ASSERT_NE(menu2, nullptr);
    EXPECT_EQ(actionNames(menu2), QStringList({"showFolderLocationToolStripMenuItem=manage",
                                               "playToolStripMenuItem=play"}));

    // The Settings tab is the builder's; here only that it is the one bound.
    EXPECT_NE(settingsButton("groupBox2", "radioButton4"), nullptr);
    EXPECT_FALSE(saveEnabled());
}

TEST_F(WindowTest, MenuBarRunsRightToLeftAndShowsTheTwoMessages) {
    auto* bar = window->findChild<QMenuBar*>("menuStrip1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(window->menuBar(), bar);
    EXPECT_EQ(actionNames(bar),
              QStringList({"fileToolStripMenuItem=Help", "helpToolStripMenuItem=About"}));
    window->show();
    QAction* help = bar->actions().at(0);
    QAction* about = bar->actions().at(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_GT(bar->actionGeometry(help).x(), bar->actionGeometry(about).x())
        << "\"Help\" stands rightmost";

    help->trigger();
    about->trigger();
    EXPECT_EQ(messages, QStringList({"Visit: " + QString(QUILLMOTH_SITE_URL),
                                     "Quillmoth Version 2.8\n\nOpen Source Docs: See install "
                                     "folder."}));
}

TEST_F(WindowTest, StatusBarAndStartPages) {
    auto* status = window->findChild<QStatusBar*>("statusStrip1");
    ASSERT_NE(status, nullptr);
    auto* label = status->findChild<QLabel*>("toolStripStatusLabel1");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), SiteAddress::host());
    EXPECT_FALSE(label->text().contains("/"));

    // Where each pane was sent; whether the site answers is the browser's business.
    EXPECT_EQ(requestedAddress(window->homeTab()->browser()),
              std::string(QUILLMOTH_SITE_URL) + "/splash.php?v=2&v2=8");
    EXPECT_EQ(requestedAddress(searchBrowser()),
              std::string(QUILLMOTH_SITE_URL) + "/search.php?v=2&v2=8");
}

TEST(NamedObjects, ExistWhileHeldAndDoNotStopASecondHolder) {
    const std::string name = "QuillmothTest-" + std::to_string(getpid());
    EXPECT_FALSE(NamedObject::exists(name));
    {
        NamedObject first(name);
        EXPECT_TRUE(first.owned());
        EXPECT_TRUE(NamedObject::exists(name));
        NamedObject second(name); // another copy of the program
        EXPECT_FALSE(second.owned());
        EXPECT_TRUE(NamedObject::exists(name));
    }
    EXPECT_FALSE(NamedObject::exists(name));
}

TEST_F(WindowTest, TheWindowHoldsBothProgramNames) {
    ASSERT_TRUE(Bramblet::Form1::mut && Bramblet::Form1::mut2);
    EXPECT_EQ(Bramblet::Form1::mut->name(), "GlobalQuillmoth");
    EXPECT_EQ(Bramblet::Form1::mut2->name(), "Quillmoth");
    EXPECT_TRUE(NamedObject::exists("GlobalQuillmoth"));
    EXPECT_TRUE(NamedObject::exists("Quillmoth"));
    // A second window in the same process keeps the same two objects.
    NamedObject* before = Bramblet::Form1::mut.get();
    Bramblet::Form1 another;
    EXPECT_EQ(Bramblet::Form1::mut.get(), before);
}

// The window's control tree: names, texts, order, menus and first state.
#include "WindowFixture.h"

#include "HomeTab.h"
#include "SiteAddress.h"
#include "gui/UrlCatcher.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QWebEngineView>

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
    EXPECT_EQ(window->objectName(), "mainWindow");
    EXPECT_EQ(window->windowTitle(), "Quillmoth");
    QTabWidget* tabControl = tabs();
    ASSERT_NE(tabControl, nullptr);
    QStringList pages;
    for (int i = 0; i < tabControl->count(); ++i)
        pages << tabControl->widget(i)->objectName() + "=" + tabControl->tabText(i);
    EXPECT_EQ(pages, QStringList({"homeTab=Home", "searchTab=Search", "transfersTab=Transfers",
                                  "libraryTab=My Library", "settingsTab=Settings"}));
    EXPECT_EQ(tabControl->currentIndex(), 0);

    EXPECT_NE(control<BrowserPane>({"tabs", "homeTab", "homeBrowser"}), nullptr);
    const QStringList left{"tabs", "searchTab", "searchSplitter"};
    ASSERT_NE(control<QSplitter>(left), nullptr);
    auto* title = control<QLineEdit>(left + QStringList{"titleBox"});
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Title");
    EXPECT_EQ(title->maxLength(), 256);
    EXPECT_EQ(control<QPushButton>(left + QStringList{"downloadButton"})->text(), "Download");
    EXPECT_EQ(control<QLabel>(left + QStringList{"instructions"})->text(),
              "1. Search for the video you want.\n\n2. When you are on the page that's playing "
              "your video the title will appear.\n\n3. Click Download.");
    EXPECT_EQ(control<QPushButton>(left + QStringList{"goButton"})->text(), "Go");
    EXPECT_EQ(control<QLineEdit>(left + QStringList{"addressBox"})->text(),
              QString(QUILLMOTH_SITE_URL) + "/search.php");
    EXPECT_NE(control<BrowserPane>(left + QStringList{"searchBrowser"}), nullptr);

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
    auto* menu1 = transferList()->findChild<QMenu*>("transferMenu");
    ASSERT_NE(menu1, nullptr);
    EXPECT_EQ(
        actionNames(menu1),
        QStringList({"pauseAction=&Pause", "resumeAction=&Resume", "cancelAction=&Cancel",
                     "retryAction=Re&try", "clearAction=C&lear", "convertAction=Con&vert to MP3",
                     "=", "playAction=P&lay", "showFolderAction=Show in &Folder"}));
    auto* menu2 = libraryList()->findChild<QMenu*>("libraryMenu");
    ASSERT_NE(menu2, nullptr);
    EXPECT_EQ(actionNames(menu2),
              QStringList({"libraryShowFolderAction=Show in &Folder", "libraryPlayAction=&Play"}));

    // The Settings tab is the builder's; here only that it is the one bound.
    EXPECT_NE(settingsButton("qualityGroup", "qualityLow"), nullptr);
    EXPECT_FALSE(saveEnabled());
}

TEST_F(WindowTest, MenuBarHasFileAndHelpMenusWithMnemonicsAndShortcuts) {
    auto* bar = window->findChild<QMenuBar*>("menuBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(window->menuBar(), bar);
    QStringList menus;
    for (QAction* action : bar->actions())
        menus << action->text() + ":" + actionNames(action->menu()).join(',');
    EXPECT_EQ(menus, QStringList({"&File:pasteLinkAction=&Paste Link,=,quitAction=&Quit",
                                  "&Help:helpAction=Quillmoth &Website,aboutAction=&About "
                                  "Quillmoth"}));
    auto* quit = window->findChild<QAction*>("quitAction");
    EXPECT_EQ(quit->shortcut(), QKeySequence(QKeySequence::Quit));

    // Help opens the site in the desktop's browser.
    {
        UrlCatcher browser("http");
        window->findChild<QAction*>("helpAction")->trigger();
        EXPECT_EQ(browser.urls, QList<QUrl>({QUrl(QUILLMOTH_SITE_URL)}));
    }

    // About: name, version, licence and a link to the site.
    window->findChild<QAction*>("aboutAction")->trigger();
    ASSERT_EQ(messages.size(), 1);
    for (const QString& part : {QString("Quillmoth " QUILLMOTH_VERSION),
                                QString("General Public License, version 3 or later"),
                                QString("<a href=\"" QUILLMOTH_SITE_URL "\">")})
        EXPECT_TRUE(messages[0].contains(part)) << part.toStdString();

    // Quit closes the window the way its close button does.
    window->show();
    quit->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, StatusBarAndStartPages) {
    auto* status = window->findChild<QStatusBar*>("statusBar");
    ASSERT_NE(status, nullptr);
    auto* label = status->findChild<QLabel*>("statusLabel");
    ASSERT_NE(label, nullptr);
    // The transfers summed up, not the site's host.
    EXPECT_EQ(label->text(), "Ready");
    EXPECT_EQ(window->windowTitle(), "Quillmoth");

    // An empty list says what to do, until it has a row.
    auto* hint = transferList()->viewport()->findChild<QLabel*>("emptyHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), "No downloads yet — find a video on Search and press Download");
    EXPECT_FALSE(hint->isHidden());
    window->manager()->download("http://127.0.0.1:9/watch", "Clip");
    EXPECT_TRUE(hint->isHidden());

    // Where each pane was sent; whether the site answers is the browser's business.
    EXPECT_EQ(requestedAddress(window->homeTab()->browser()),
              std::string(QUILLMOTH_SITE_URL) + "/splash.php?v=2&v2=8");
    EXPECT_EQ(requestedAddress(searchBrowser()),
              std::string(QUILLMOTH_SITE_URL) + "/search.php?v=2&v2=8");
}

TEST_F(WindowTest, EveryControlHasANameAndTheWindowFitsASmallScreen) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (int page = 0; page < tabs()->count(); ++page) {
        tabs()->setCurrentIndex(page);
        for (QWidget* control : tabs()->widget(page)->findChildren<QWidget*>()) {
            // The page inside a browser is the page's own business.
            if (control->focusPolicy() == Qt::NoFocus || !control->isVisible() ||
                qobject_cast<QWebEngineView*>(control->parentWidget()) ||
                qobject_cast<QAbstractSpinBox*>(control->parentWidget()))
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
            // A button without words says what it does on hover.
            auto* button = qobject_cast<QAbstractButton*>(control);
            if (button && button->text().isEmpty()) {
                EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
            }
        }
    }
    // 1366 x 768 at twice the scale, less a panel and a title bar.
    EXPECT_LE(window->minimumSizeHint().width(), 683);
    EXPECT_LE(window->minimumSizeHint().height(), 340);
}

// The window as it opens: its tabs show what the data folder holds, every
// menu can be worked from the keyboard, every control is named for screen
// readers, and it fits a small screen.
#include "WindowFixture.h"

#include "TransferHistory.h"
#include "app/window/HomeTab.h"
#include "app/window/SiteAddress.h"
#include "support/gui/UrlCatcher.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QWebEngineView>

namespace {

QStringList headers(const QTreeView* list) {
    QStringList texts;
    for (int i = 0; i < list->model()->columnCount(); ++i)
        texts << list->model()->headerData(i, Qt::Horizontal).toString();
    return texts;
}

// The letter after a single "&", lower case; empty when there is none.
QString mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return text[i + 1].toLower();
        ++i;
    }
    return {};
}

// Every entry of the menu has a letter of its own; what is wrong, said.
QStringList mnemonicFaults(const QString& name, const QList<QAction*>& actions) {
    QStringList faults;
    QStringList taken;
    for (const QAction* action : actions) {
        if (action->isSeparator())
            continue;
        const QString letter = mnemonic(action->text());
        if (letter.isEmpty())
            faults << name + ": no letter in " + action->text();
        else if (taken.contains(letter))
            faults << name + ": " + letter + " twice, again in " + action->text();
        taken << letter;
    }
    return faults;
}

} // namespace

TEST_F(WindowTest, TabsShowWhatTheDataFolderHoldsFromTheStart) {
    const std::string movies = window->dataFolder()->settings().movieFolder;
    const std::string music = window->dataFolder()->settings().musicFolder;
    testfiles::writeFile(movies + "/Clip.mp4", "movie");
    testfiles::writeFile(movies + "/Old.flv", "movie");
    testfiles::writeFile(music + "/Song.mp3", "song");
    testfiles::writeFile(movies + "/notes.txt", "not media");
    TransferRecord done = historyRecord(1, TransferState::Done, "Earlier Clip");
    window.reset();
    keepHistory({done, historyRecord(2, TransferState::Failed, "Broken")});
    window = std::make_unique<quillmoth::MainWindow>();

    // The pages the window hands out are the tabs, Home first.
    const QList<QWidget*> pages{window->homeTab(), window->searchTab(), window->transfersTab(),
                                window->libraryTab(), window->settingsTab()};
    ASSERT_EQ(tabs()->count(), pages.size());
    for (int page = 0; page < pages.size(); ++page) {
        EXPECT_EQ(tabs()->widget(page), pages[page]) << page;
        EXPECT_FALSE(tabs()->tabText(page).isEmpty()) << page;
    }
    EXPECT_EQ(currentTab(), window->homeTab());

    // My Library lists the folders' media, music first, with their folders.
    EXPECT_EQ(headers(libraryList()), QStringList({"Title", "Type", "Folder", "Size", "Modified"}));
    ASSERT_EQ(libraryRows(), 3);
    QStringList rows;
    for (int row = 0; row < libraryRows(); ++row)
        rows << libraryCell(row, 0) + "." + libraryCell(row, 1);
    EXPECT_EQ(rows, QStringList({"Song.mp3", "Old.flv", "Clip.mp4"}));

    // The Transfers tab shows the history as it ended.
    ASSERT_EQ(transferRows(), 2);
    EXPECT_EQ(transferCell(0, TransferModel::TitleColumn), "Earlier Clip");
    EXPECT_EQ(transferCell(1, TransferModel::TitleColumn), "Broken");

    // A title is kept short enough for a file name.
    titleBox()->setText(QString(300, 'x'));
    EXPECT_EQ(titleBox()->text().size(), 256);
    EXPECT_FALSE(saveEnabled());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(WindowTest, EveryMenuWorksFromTheKeyboardAndDoesWhatItSays) {
    QMenuBar* bar = window->menuBar();
    QStringList faults = mnemonicFaults("menu bar", bar->actions());
    for (QAction* top : bar->actions()) {
        ASSERT_NE(top->menu(), nullptr) << top->text().toStdString();
        faults << mnemonicFaults(top->text(), top->menu()->actions());
    }
    faults << mnemonicFaults("library", window->libraryTab()->menu()->actions());
    faults << mnemonicFaults("transfers", window->transfersTab()->menu()->actions());
    EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();

    // F1 shows the help shipped with the program in the Home pane.
    auto* contents = window->findChild<QAction*>("helpContentsAction");
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->shortcut(), QKeySequence(QKeySequence::HelpContents));
    tabs()->setCurrentWidget(window->libraryTab());
    contents->trigger();
    EXPECT_EQ(currentTab(), window->homeTab());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return requestedAddress(window->homeTab()->browser()).ends_with("/help/quillmoth.html");
        },
        10000));

    // The website opens in the desktop's browser.
    auto* help = window->findChild<QAction*>("helpAction");
    ASSERT_NE(help, nullptr);
    {
        UrlCatcher browser("http");
        help->trigger();
        EXPECT_EQ(browser.urls, QList<QUrl>({QUrl(QUILLMOTH_SITE_URL)}));
    }

    // About: name, version, licence and a link to the site.
    auto* about = window->findChild<QAction*>("aboutAction");
    ASSERT_NE(about, nullptr);
    about->trigger();
    ASSERT_EQ(messages.size(), 1);
    for (const QString& part : {QString("Quillmoth " QUILLMOTH_VERSION),
                                QString("General Public License, version 3 or later"),
                                QString("<a href=\"" QUILLMOTH_SITE_URL "\">")})
        EXPECT_TRUE(messages[0].contains(part)) << part.toStdString();

    // Quit closes the window the way its close button does.
    auto* quit = window->findChild<QAction*>("quitAction");
    ASSERT_NE(quit, nullptr);
    window->show();
    quit->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, StatusBarAndStartPages) {
    auto* label = window->statusBar()->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    // The transfers summed up, not the site's host.
    EXPECT_EQ(label->text(), "Ready");
    EXPECT_EQ(window->windowTitle(), "Quillmoth");

    // An empty list says what to do, until it has a row.
    auto* hint = transferList()->viewport()->findChild<QLabel*>("emptyHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), "No downloads yet — find a video on Search and press Download");
    EXPECT_FALSE(hint->isHidden());
    window->dataFolder()->download("http://127.0.0.1:9/watch", "Clip");
    EXPECT_TRUE(hint->isHidden());

    // Where each pane was sent; whether the site answers is the browser's business.
    EXPECT_EQ(requestedAddress(window->homeTab()->browser()),
              std::string(QUILLMOTH_SITE_URL) + "/splash.php?v=2&v2=8");
    EXPECT_EQ(requestedAddress(searchBrowser()),
              std::string(QUILLMOTH_SITE_URL) + "/search.php?v=2&v2=8");
}

TEST_F(WindowTest, EveryControlHasANameAndTheWindowFitsASmallScreen) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 60000));
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

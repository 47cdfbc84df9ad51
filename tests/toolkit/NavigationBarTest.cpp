// Back, Forward and Reload over real panes, offscreen, against a local server.
#include "NavigationBar.h"

#include "BrowserPane.h"
#include "FixtureServer.h"

#include <QAction>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

TEST(NavigationBar, FollowsItsPanesHistoryByButtonsAndByKeysOfTheShownTabOnly) {
    FixtureServer server;
    const QUrl one(QString::fromStdString(server.url("/one")));
    const QUrl two(QString::fromStdString(server.url("/two")));
    QTabWidget tabs; // a pane with its bar on each tab, as in the window
    BrowserPane* panes[2];
    NavigationBar* bars[2];
    for (int i = 0; i < 2; ++i) {
        tabs.addTab(new QWidget, QString());
        panes[i] = new BrowserPane(tabs.widget(i));
        bars[i] = new NavigationBar(panes[i], tabs.widget(i));
    }
    tabs.show();
    tabs.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tabs, 60000));
    const auto arrives = [](BrowserPane* pane, const QUrl& at, const auto& action) {
        QSignalSpy navigated(pane, &BrowserPane::navigated);
        action();
        return navigated.wait(30000) && pane->url() == at;
    };
    for (QToolButton* button : bars[0]->findChildren<QToolButton*>()) // nothing loaded yet
        EXPECT_TRUE(!button->isEnabled() && !button->accessibleName().isEmpty());

    for (BrowserPane* pane : panes)
        for (const QUrl& url : {one, two})
            ASSERT_TRUE(arrives(pane, url, [&] { pane->load(url); }));
    EXPECT_TRUE(bars[0]->backAction()->isEnabled() && bars[0]->reloadAction()->isEnabled());
    EXPECT_FALSE(bars[0]->forwardAction()->isEnabled());
    // Were the hidden tab's keys live too, Alt+Left would be ambiguous and do nothing.
    ASSERT_TRUE(
        arrives(panes[0], one, [&] { QTest::keyClick(&tabs, Qt::Key_Left, Qt::AltModifier); }));
    EXPECT_TRUE(!bars[0]->backAction()->isEnabled() && bars[0]->forwardAction()->isEnabled());
    EXPECT_EQ(panes[1]->url(), two);
    ASSERT_TRUE(arrives(panes[0], two, [&] {
        QTest::mouseClick(bars[0]->findChild<QToolButton*>("forwardButton"), Qt::LeftButton);
    }));
    EXPECT_TRUE(arrives(panes[0], two, [&] { QTest::keyClick(&tabs, Qt::Key_F5); }));
}

// Back, Forward and Reload over real panes, offscreen, against a local server.
#include "NavigationBar.h"

#include "BrowserPane.h"
#include "FixtureServer.h"

#include <QAction>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <string>

namespace {

// A tab holding a pane with its bar, as the window's tabs do.
struct BrowsingTab {
    BrowserPane* pane;
    NavigationBar* bar;
};

BrowsingTab addTab(QTabWidget& tabs) {
    auto* page = new QWidget;
    auto* pane = new BrowserPane(page);
    auto* bar = new NavigationBar(pane, page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(bar);
    layout->addWidget(pane, 1);
    tabs.addTab(page, QStringLiteral("Tab"));
    return {pane, bar};
}

template <typename Action>
bool arriveAfter(BrowserPane* pane, Action action, const std::string& url) {
    const QUrl wanted(QString::fromStdString(url));
    bool arrived = false;
    auto connection = QObject::connect(pane, &BrowserPane::navigated,
                                       [&](const QUrl& address) { arrived = address == wanted; });
    action();
    (void)QTest::qWaitFor([&] { return arrived; }, 30000);
    QObject::disconnect(connection);
    return arrived;
}

} // namespace

TEST(NavigationBar, FollowsItsPanesHistoryByButtonsAndByKeysOnTheShownTabOnly) {
    FixtureServer server;
    server.body("/one", "<html><body>One</body></html>");
    server.body("/two", "<html><body>Two</body></html>");
    const std::string one = server.url("/one");
    const std::string two = server.url("/two");

    QTabWidget tabs;
    tabs.resize(500, 400);
    const BrowsingTab shown = addTab(tabs);
    const BrowsingTab hidden = addTab(tabs);
    tabs.show();
    tabs.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tabs));

    NavigationBar* bar = shown.bar;
    for (const char* name : {"Back", "Forward", "Reload"}) {
        const auto* button = bar->findChild<QToolButton*>(QString(name).toLower() + "Button");
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->toolTip(), name);
        EXPECT_EQ(button->accessibleName(), name);
        EXPECT_FALSE(button->icon().isNull()) << name;
        EXPECT_FALSE(button->isEnabled()) << name; // nothing loaded yet
    }

    for (const BrowsingTab& tab : {shown, hidden})
        for (const std::string& url : {one, two})
            ASSERT_TRUE(arriveAfter(
                tab.pane, [&] { tab.pane->navigate(QString::fromStdString(url)); }, url));
    EXPECT_TRUE(bar->backAction()->isEnabled());
    EXPECT_FALSE(bar->forwardAction()->isEnabled());
    EXPECT_TRUE(bar->reloadAction()->isEnabled());

    // Were the hidden tab's keys live too, Alt+Left would be ambiguous and do nothing.
    ASSERT_TRUE(arriveAfter(
        shown.pane, [&] { QTest::keyClick(&tabs, Qt::Key_Left, Qt::AltModifier); }, one));
    EXPECT_FALSE(bar->backAction()->isEnabled());
    EXPECT_TRUE(bar->forwardAction()->isEnabled());
    EXPECT_EQ(hidden.pane->url(), QUrl(QString::fromStdString(two)));

    ASSERT_TRUE(arriveAfter(
        shown.pane,
        [&] { QTest::mouseClick(bar->findChild<QToolButton*>("forwardButton"), Qt::LeftButton); },
        two));
    EXPECT_TRUE(bar->backAction()->isEnabled());
    EXPECT_FALSE(bar->forwardAction()->isEnabled());

    const int hits = server.hits("/two");
    ASSERT_TRUE(arriveAfter(
        shown.pane, [&] { QTest::keyClick(&tabs, Qt::Key_F5); }, two));
    EXPECT_EQ(server.hits("/two"), hits + 1);
}

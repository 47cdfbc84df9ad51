// The browser pane on a real QWebEngineView, offscreen, with local pages.
#include "toolkit/BrowserPane.h"

#include "support/FixtureServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

QString htmlOf(BrowserPane& pane) {
    QString html;
    bool arrived = false;
    pane.documentHtml([&](const QString& text) {
        html = text;
        arrived = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return arrived; }, 60000));
    return html;
}

} // namespace

TEST(BrowserPane, NavigatesToAPathAndReadsItsDocument) {
    QTemporaryDir dir;
    const QString page = dir.filePath("player.html");
    {
        std::ofstream out(page.toStdString());
        out << "<html><body><p id=\"here\">Shown</p></body></html>\n";
    }

    BrowserPane pane;
    pane.resize(400, 300);
    EXPECT_EQ(pane.currentAddress(), QString());

    QSignalSpy navigated(&pane, &BrowserPane::navigated);
    pane.navigate(page); // a plain path, as the player page is given
    ASSERT_TRUE(navigated.wait(30000));
    EXPECT_EQ(navigated.first().first().toUrl(), QUrl::fromLocalFile(page));
    EXPECT_EQ(pane.currentAddress(), QUrl::fromLocalFile(page).toString());
    EXPECT_TRUE(htmlOf(pane).contains("<p id=\"here\">Shown</p>"));

    // The engine answers a question still open when its page goes, from
    // inside the page's destructor: the receiver is not called then, as
    // what it would read of its owner may be gone already.
    auto going = std::make_unique<BrowserPane>();
    going->navigate(page);
    ASSERT_TRUE(QSignalSpy(going.get(), &BrowserPane::navigated).wait(30000));
    bool called = false;
    going->documentHtml([&](const QString&) { called = true; });
    going.reset();
    EXPECT_FALSE(called);
}

TEST(BrowserPane, AnAddressThatCannotBeReachedShowsOurPageWithRetry) {
    FixtureServer server;
    server.error("/gone", 404, "<p>Gone away</p>");
    // A server's port refuses connections once the server is gone.
    const QString address =
        QStringLiteral("http://127.0.0.1:%1/a?b=1&c=2").arg(FixtureServer().port());
    BrowserPane pane;
    QSignalSpy navigated(&pane, &BrowserPane::navigated);
    pane.navigate(QString::fromStdString(server.url("/gone"))); // an HTTP error status is a page
    ASSERT_TRUE(navigated.wait(30000));
    EXPECT_FALSE(pane.showsFailure());
    EXPECT_TRUE(htmlOf(pane).contains("Gone away"));

    pane.navigate(address);
    ASSERT_TRUE(navigated.wait(30000));
    EXPECT_TRUE(pane.showsFailure());
    EXPECT_EQ(pane.currentAddress(), address);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return htmlOf(pane).contains("could not be reached"); }, 60000));
    EXPECT_TRUE(htmlOf(pane).contains(address.toHtmlEscaped()));
    EXPECT_FALSE(htmlOf(pane).contains("proxy", Qt::CaseInsensitive));

    QSignalSpy started(&pane, &QWebEngineView::loadStarted); // Retry asks the address again
    pane.page()->runJavaScript(QStringLiteral("document.getElementById('retry').click()"));
    ASSERT_TRUE(navigated.wait(30000));
    EXPECT_TRUE(started.count() == 1 && pane.showsFailure());
}

TEST(BrowserPane, RootGetsNoSandboxAndKeepsEarlierFlags) {
    const char* saved = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const std::string restore = saved ? saved : "";
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 1);
    prepareWebEngineEnvironment();
    const std::string flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (geteuid() == 0) {
        EXPECT_EQ(flags, "--disable-gpu --no-sandbox");
        prepareWebEngineEnvironment();
        EXPECT_EQ(std::string(std::getenv("QTWEBENGINE_CHROMIUM_FLAGS")), flags);
    } else {
        EXPECT_EQ(flags, "--disable-gpu");
    }
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", restore.c_str(), 1);
}

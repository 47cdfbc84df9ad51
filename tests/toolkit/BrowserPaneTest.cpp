// The browser pane on a real QWebEngineView, offscreen, with local pages.
#include "BrowserPane.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

QString htmlOf(BrowserPane& pane) {
    QString html;
    bool arrived = false;
    pane.documentHtml([&](const QString& text) {
        html = text;
        arrived = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return arrived; }, 20000));
    return html;
}

} // namespace

TEST(BrowserPane, NavigatesToAPathAndStandsInForTheMediaPlugin) {
    QTemporaryDir dir;
    const QString page = dir.filePath("tmp.html");
    {
        std::ofstream out(page.toStdString());
        out << "<html><body><embed src=\"file:///nowhere/Song.mp3\" "
               "type=\"application/x-mplayer2\" autostart=\"true\"></embed>"
               "<embed src=\"x.swf\" "
               "type=\"application/x-shockwave-flash\"></embed></body></html>\n";
    }

    BrowserPane pane;
    pane.allowAutoplay(true);
    pane.resize(400, 300);
    EXPECT_EQ(pane.currentAddress(), QString());

    QSignalSpy navigated(&pane, &BrowserPane::navigated);
    pane.navigate(page); // a plain path, as the player page is given
    ASSERT_TRUE(navigated.wait(30000));
    EXPECT_EQ(navigated.first().first().toUrl(), QUrl::fromLocalFile(page));
    EXPECT_EQ(pane.currentAddress(), QUrl::fromLocalFile(page).toString());

    // The document script runs when the document is ready; wait for it.
    QString html;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            html = htmlOf(pane);
            return html.contains("<audio");
        },
        20000));
    EXPECT_TRUE(html.contains("file:///nowhere/Song.mp3"));
    EXPECT_FALSE(html.contains("application/x-mplayer2"));
    // Other embeds are left alone.
    EXPECT_TRUE(html.contains("application/x-shockwave-flash"));
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

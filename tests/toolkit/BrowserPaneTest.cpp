// The browser pane on a real QWebEngineView, offscreen, with local pages.
#include "BrowserPane.h"

#include "FixtureServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
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

bool showsText(BrowserPane& pane, const QString& text) {
    return QTest::qWaitFor([&] { return htmlOf(pane).contains(text); }, 20000);
}

// A port on 127.0.0.1 that nothing listens on: connections are refused.
int refusedPort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    close(probe);
    return ntohs(address.sin_port);
}

// A site that starts answering on a port chosen before.
class LateSite {
public:
    LateSite(int port, const std::string& body) {
        // One request a connection: the browser keeps none open for the stop to wait out.
        server.set_keep_alive_max_count(1);
        server.Get(".*", [body](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "text/html");
        });
        if (server.bind_to_port("127.0.0.1", port))
            thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~LateSite() {
        if (thread.joinable()) {
            while (!server.is_running())
                std::this_thread::yield();
            server.stop();
            thread.join();
        }
    }
    bool listening() const { return thread.joinable(); }

private:
    httplib::Server server;
    std::thread thread;
};

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
}

TEST(BrowserPane, AnAddressThatCannotBeReachedShowsOurPageWithRetry) {
    FixtureServer server;
    server.error("/gone", 404, "<html><body><p>Gone away</p></body></html>");
    BrowserPane pane;
    pane.resize(400, 300);
    QSignalSpy navigated(&pane, &BrowserPane::navigated);
    const auto arrives = [&](const auto& action) {
        const qsizetype before = navigated.count();
        action();
        return QTest::qWaitFor([&] { return navigated.count() > before; }, 30000);
    };

    // An HTTP error status comes with the site's own page.
    ASSERT_TRUE(arrives([&] { pane.navigate(QString::fromStdString(server.url("/gone"))); }));
    EXPECT_FALSE(pane.showsFailure());
    EXPECT_TRUE(htmlOf(pane).contains("Gone away"));

    const int port = refusedPort();
    const QString address = QStringLiteral("http://127.0.0.1:%1/clip?a=1&b=2").arg(port);
    ASSERT_TRUE(arrives([&] { pane.navigate(address); }));
    EXPECT_TRUE(pane.showsFailure());
    EXPECT_EQ(pane.currentAddress(), address);
    ASSERT_TRUE(showsText(pane, "The site could not be reached."));
    const QString html = htmlOf(pane);
    EXPECT_TRUE(html.contains(address.toHtmlEscaped())) << html.toStdString();
    EXPECT_FALSE(html.contains("proxy", Qt::CaseInsensitive)) << html.toStdString();

    // The site comes back; Retry asks the same address again.
    const LateSite site(port, "<html><body><p>Back again</p></body></html>");
    ASSERT_TRUE(site.listening());
    ASSERT_TRUE(arrives([&] {
        pane.page()->runJavaScript(QStringLiteral("document.getElementById('retry').click()"));
    }));
    EXPECT_FALSE(pane.showsFailure());
    EXPECT_EQ(pane.currentAddress(), address);
    EXPECT_TRUE(showsText(pane, "Back again"));
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

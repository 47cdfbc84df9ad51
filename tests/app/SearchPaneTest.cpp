// The Search pane against a local server: navigation, the address box, the
// title box, and whole downloads started from the window.
#include "WindowFixture.h"

#include "base/WorkRunner.h"
#include "support/FixtureServer.h"
#include "toolkit/MessageBox.h"
#include "transfers/list/TransferList.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class SearchPaneTest : public WindowTest {
protected:
    // One server for the suite: the browser keeps its connections alive, and
    // a server waits them out when it stops.
    static void SetUpTestSuite() { shared = new FixtureServer; }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    void SetUp() override {
        WindowTest::SetUp();
        server.body("/plain page", "<html><body>No headline here</body></html>");
        server.body("/untitled clip", "<html><body>No headline here<video src=\"/clip.mp4\">"
                                      "</video></body></html>");
        server.watchPage("/watch", "My Clip",
                         {{"5", server.url("/low")}, {"34", server.url("/high")}});
        server.redirect("/go", "/watch");
    }
    static FixtureServer* shared;
    FixtureServer& server = *shared;
};

FixtureServer* SearchPaneTest::shared = nullptr;

// One window for all of it: each new window pays for its browsers' start.
TEST_F(SearchPaneTest, AddressBoxTitleBoxAndTheAddressDownloadTakes) {
    // Enter: no character reaches the box, and a redirect shows where it ended.
    ASSERT_TRUE(arriveAfter(
        [&] {
            addressBox()->setText(QString::fromStdString(server.url("/go")));
            QTest::keyClick(addressBox(), Qt::Key_Return);
        },
        server.url("/watch")));
    EXPECT_EQ(addressBox()->text().toStdString(), server.url("/watch"));
    EXPECT_EQ(titleBox()->text(), "My Clip");

    const std::string plain = server.url("/untitled%20clip");
    ASSERT_TRUE(arriveAfter(
        [&] {
            addressBox()->setText(QString::fromStdString(plain));
            window->findChild<QPushButton*>("goButton")->click();
        },
        plain));
    EXPECT_EQ(QUrl(addressBox()->text()), QUrl(QString::fromStdString(plain)));
    // No title on this page: the box stays empty.
    EXPECT_EQ(titleBox()->text(), "");

    // Download takes the browser's address, not an unsubmitted edit, and
    // the title as typed.
    QTest::keyClicks(titleBox(), "Typed Title");
    addressBox()->setText("http://127.0.0.1:1/not-submitted");
    tabs()->setCurrentWidget(window->searchTab());
    window->searchTab()->downloadButton()->click();

    ASSERT_EQ(window->dataFolder()->transfers().size(), 1u);
    // Handed on encoded, as an HTTP client needs it.
    EXPECT_EQ(window->dataFolder()->transfers().at(0).pageUrl, plain);
    EXPECT_EQ(currentTab()->objectName(), "transfersTab");
    EXPECT_EQ(transferCell(0, TransferModel::TitleColumn), "Typed Title");

    // The next page replaces the typed title.
    ASSERT_TRUE(searchTo(server.url("/watch")));
    EXPECT_EQ(titleBox()->text(), "My Clip");
}

TEST_F(SearchPaneTest, TheTitleAndDownloadBelongToThePageTheTitleCameFrom) {
    QPushButton* download = window->searchTab()->downloadButton();
    ASSERT_TRUE(searchTo(server.url("/watch")));
    EXPECT_TRUE(download->isEnabled());

    // Leaving clears the title at once; a click meanwhile queues nothing.
    const std::string plain = server.url("/plain%20page");
    ASSERT_TRUE(arriveAfter(
        [&] {
            searchBrowser()->navigate(QString::fromStdString(plain));
            ASSERT_TRUE(QTest::qWaitFor([&] { return titleBox()->text().isEmpty(); }, 60000));
            EXPECT_FALSE(download->isEnabled());
            download->click();
        },
        plain));
    EXPECT_EQ(window->dataFolder()->transfers().size(), 0u);
    EXPECT_FALSE(download->isEnabled());

    // A typed title alone makes no page without video one to download.
    QTest::keyClicks(titleBox(), "Mine");
    EXPECT_FALSE(download->isEnabled());
}

TEST_F(SearchPaneTest, AWholeDownloadThroughTheWindow) {
    const std::string movie = testBytes(300000, 7);
    server.stream("/low", movie);
    server.stream("/high", "wrong stream");
    const int highHits = server.hits("/high");
    const std::string target = window->dataFolder()->settings().movieFolder + "/My Clip.flv";
    std::filesystem::remove(target);

    ASSERT_TRUE(searchTo(server.url("/watch")));
    ASSERT_EQ(titleBox()->text(), "My Clip");
    window->searchTab()->downloadButton()->click();
    EXPECT_EQ(currentTab()->objectName(), "transfersTab");
    ASSERT_EQ(transferRows(), 1);

    // The job's events reach the window by themselves.
    const bool finished = QTest::qWaitFor(
        [&] { return libraryRows() > 0 && libraryCell(libraryRows() - 1, 0) == "My Clip"; }, 60000);
    ASSERT_TRUE(finished) << transferCell(0, TransferModel::StatusColumn).toStdString();
    EXPECT_EQ(transferCell(0, TransferModel::StatusColumn), "Download Complete!");
    EXPECT_EQ(libraryCell(libraryRows() - 1, 1), "flv");
    EXPECT_TRUE(readAll(target) == movie) << "file on disk differs from the stream";
    EXPECT_EQ(server.hits("/high"), highHits);
    EXPECT_TRUE(messages.isEmpty());

    // Once more: the page is in the history with its file on disk, so the
    // user is asked first; Cancel starts nothing, Open plays the file.
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    MessageBox::setAsker([&](const QString& text, QMessageBox::StandardButtons) {
        asked << text;
        return answer;
    });
    window->searchTab()->downloadButton()->click();
    // The question names the file.
    EXPECT_EQ(
        asked,
        QStringList({"Already downloaded — open it, or download again?\n\n" +
                     QString::fromStdString(window->dataFolder()->transfers().at(0).moviePath)}));
    EXPECT_EQ(transferRows(), 1);
    answer = QMessageBox::Open;
    QTest::keyClick(titleBox(), Qt::Key_Return); // as the button
    EXPECT_EQ(transferRows(), 1);
    EXPECT_EQ(currentTab()->objectName(), "homeTab");

    // Every way in asks alike: a paste, a drop or a hand-over of several such
    // pages asks once for all of them.
    asked.clear();
    answer = QMessageBox::Cancel;
    const QString page = QString::fromStdString(server.url("/watch"));
    window->queueAddresses({page, page});
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].endsWith("My Clip.flv\nMy Clip.flv")) << asked[0].toStdString();
    EXPECT_EQ(transferRows(), 1);
    MessageBox::setAsker({});
}

TEST_F(SearchPaneTest, DownloadVideoOnALinksMenuQueuesThePageItLeadsTo) {
    server.body("/links", "<body style=\"margin: 0\"><a href=\"/watch\" style=\"display: block; "
                          "height: 100px\">My Clip</a></body>");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 60000));
    tabs()->setCurrentWidget(window->searchTab());
    ASSERT_TRUE(searchTo(server.url("/links")));
    QTest::mouseClick(searchBrowser()->focusProxy(), Qt::RightButton, {}, QPoint(50, 50));
    QMenu* menu = nullptr;
    (void)QTest::qWaitFor(
        [&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }, 60000);
    QAction* download = menu ? menu->findChild<QAction*>("downloadVideoAction") : nullptr;
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(download->text(), "Download Video");
    // Only what works in a pane of one page: no tabs, windows or saving.
    QStringList shown;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator() && action->isVisible())
            shown << action->text();
    EXPECT_EQ(shown.join(", "),
              "Download Video, Open Link, Back, Forward, Reload, Copy link address");
    download->trigger();
    menu->close();
    // The page's own address, named after its headline when it is read.
    ASSERT_EQ(window->dataFolder()->transfers().size(), 1u);
    EXPECT_EQ(window->dataFolder()->transfers().at(0).pageUrl, server.url("/watch"));
    EXPECT_EQ(currentTab()->objectName(), "transfersTab");
}

// A page of several sources lists them beside Download, labelled and
// counted; the one picked is chosen, and Download saves it, with the cookie
// the Search pane was given and its user agent.
TEST_F(SearchPaneTest, APageOfSeveralSourcesOffersThemBesideDownload) {
    const std::string small = "\0\0\0\x18" + std::string("ftypisom") + testBytes(20000, 3);
    const std::string large = "\0\0\0\x18" + std::string("ftypisom") + testBytes(60000, 4);
    server.get("/two", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "seen=1; Path=/");
        res.set_content("<title>Two Sizes</title><video>"
                        "<source src=\"/s360.mp4\" type=\"video/mp4\" size=\"360\">"
                        "<source src=\"/s720.mp4\" type=\"video/mp4\" size=\"720\"></video>",
                        "text/html");
    });
    const auto gated = [](const std::string& bytes) {
        return [bytes](const httplib::Request& req, httplib::Response& res) {
            const bool browser =
                req.get_header_value("User-Agent").find("QtWebEngine") != std::string::npos;
            res.status = req.get_header_value("Cookie") == "seen=1" && browser ? 200 : 403;
            res.set_content(bytes, "video/mp4");
        };
    };
    server.get("/s360.mp4", gated(small));
    server.get("/s720.mp4", gated(large));

    ASSERT_TRUE(searchTo(server.url("/two")));
    EXPECT_EQ(titleBox()->text(), "Two Sizes");
    QToolButton* sources = window->searchTab()->sourcesButton();
    EXPECT_FALSE(sources->isHidden());
    const QList<QAction*> listed = sources->menu()->actions();
    ASSERT_EQ(listed.size(), 2);
    // Each with its size, once its server has named it.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return listed[0]->text() == "360p MP4 (20.0 kB)" &&
                   listed[1]->text() == "720p MP4 (60.0 kB)";
        },
        20000))
        << listed[0]->text().toStdString() << ", " << listed[1]->text().toStdString();
    EXPECT_TRUE(listed[0]->font().bold()); // what Download alone takes
    EXPECT_FALSE(window->searchTab()->sourcesLabel()->isHidden());
    EXPECT_EQ(sources->text(), "360p MP4 of 2 sources");
    listed[1]->trigger();
    EXPECT_EQ(transferRows(), 0) << "a pick only chooses";
    EXPECT_TRUE(listed[1]->isChecked() && listed[1]->font().bold() && !listed[0]->isChecked());
    EXPECT_EQ(sources->text(), "720p MP4 of 2 sources");
    window->searchTab()->downloadButton()->click();
    ASSERT_EQ(transferRows(), 1);
    const TransferRecord& record = window->dataFolder()->transfers().at(0);
    EXPECT_EQ(record.source.label, "720p MP4");
    ASSERT_TRUE(QTest::qWaitFor([&] { return record.state == TransferState::Done; }, 60000))
        << transferCell(0, TransferModel::StatusColumn).toStdString();
    EXPECT_TRUE(readAll(record.moviePath) == large);

    // Another page's sources are not this one's.
    ASSERT_TRUE(searchTo(server.url("/plain page")));
    EXPECT_TRUE(sources->isHidden());
}

// What only the pane can find: a <video> a script builds after a fetch(), a
// manifest a player's script asks for, and a page asking for a key system.
TEST_F(SearchPaneTest, ThePaneFindsWhatThePagesScriptsBuildAndAskFor) {
    const std::string clip = "\0\0\0\x18" + std::string("ftypisom") + testBytes(300000, 5);
    server.body("/built.mp4", clip, "video/mp4");
    server.body("/api.json", "{\"src\": \"/built.mp4\"}", "application/json");
    server.body("/script", "<title>Built</title><body><script>"
                           "fetch('/api.json').then(r => r.json()).then(j => {"
                           " var v = document.createElement('video'); v.src = j.src;"
                           " document.body.appendChild(v); });</script></body>");
    server.body("/live/master.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n",
                "application/vnd.apple.mpegurl");
    server.body("/player", "<title>Player</title><script>fetch('/live/master.m3u8');"
                           "fetch('/live/part0.ts'); fetch('/logo.png');</script>");
    server.body("/keys", "<title>Locked</title><script>navigator.requestMediaKeySystemAccess("
                         "'org.w3.clearkey', [{initDataTypes: ['cenc']}]).catch(() => {});"
                         "fetch('/live/master.m3u8');</script>");
    SearchTab* tab = window->searchTab();
    const auto sourcesSoon = [&] {
        return QTest::qWaitFor([&] { return !tab->sources().empty(); }, 60000);
    };

    ASSERT_TRUE(searchTo(server.url("/script")));
    ASSERT_TRUE(sourcesSoon());
    EXPECT_EQ(tab->sources()[0].url, server.url("/built.mp4"));
    EXPECT_EQ(tab->sources().size(), 1u); // its media request is the same source
    EXPECT_TRUE(tab->downloadButton()->isEnabled());
    tab->downloadButton()->click();
    ASSERT_EQ(transferRows(), 1);
    const TransferRecord& record = window->dataFolder()->transfers().at(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return record.state == TransferState::Done; }, 60000))
        << transferCell(0, TransferModel::StatusColumn).toStdString();
    EXPECT_TRUE(readAll(record.moviePath) == clip);

    ASSERT_TRUE(searchTo(server.url("/player")));
    ASSERT_TRUE(sourcesSoon());
    EXPECT_EQ(tab->sources()[0].label, "HLS");
    EXPECT_EQ(tab->sources()[0].kind, SourceRef::Kind::Request);
    EXPECT_EQ(tab->downloadButton()->toolTip(), "Sources found on this page: 1");

    const int manifestHits = server.hits("/live/master.m3u8");
    ASSERT_TRUE(searchTo(server.url("/keys")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return window->statusBar()->currentMessage() ==
                   "This video is protected and cannot be saved.";
        },
        60000));
    // The page's own request for the manifest has passed the watch, and any
    // check it started has come back: still nothing is offered.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return server.hits("/live/master.m3u8") > manifestHits; }, 60000));
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->dataFolder()->workRunner().waitUntilNone(std::chrono::seconds(60)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(tab->sources().empty());
}

// The pane's checks of what a page asks for keep to their bounds: at most
// 20 a loaded document however its script rewrites its address, two at
// once, none towards this machine from a public page. Download says what
// it can do before it is pressed: nothing on a page without video or with
// a protected one, and a protected page handed over fails with the reason.
TEST_F(SearchPaneTest, ThePanesChecksKeepToTheirBoundsAndDownloadSaysWhy) {
    SearchTab* tab = window->searchTab();
    // Checks answered by the test, in the order the pane makes them.
    std::deque<std::pair<std::string, std::function<void(std::optional<SourceRef>)>>> asked;
    int made = 0;
    tab->setSourceCheck([&](std::string url, std::string, auto checked) {
        ++made;
        asked.emplace_back(std::move(url), std::move(checked));
    });
    // Waits for the page's own requests, then for what the watch told of them.
    const auto requested = [&](const char* path, int times) {
        const bool arrived = QTest::qWaitFor([&] { return server.hits(path) >= times; }, 60000);
        QCoreApplication::processEvents();
        return arrived;
    };
    server.error("/c.m3u8", 404);
    server.body("/bounded", "<title>Bounded</title><script>"
                            "(async function () { for (var i = 0; i < 30; i++) {"
                            " await fetch('/c.m3u8?' + i);"
                            " if (i % 3 == 0) history.pushState({}, '', '/bounded/' + i);"
                            " if (i % 3 == 1) location.hash = 'at' + i;"
                            " if (i % 3 == 2) history.replaceState({}, '', '/rewritten/' + i);"
                            "} })();</script>");
    searchBrowser()->navigate(QString::fromStdString(server.url("/bounded")));
    ASSERT_TRUE(requested("/c.m3u8", 30));
    EXPECT_EQ(asked.size(), 2u);
    while (!asked.empty()) {
        EXPECT_LE(asked.size(), 2u);
        auto answer = std::move(asked.front().second);
        asked.pop_front();
        answer(std::nullopt); // the next one waiting starts
    }
    EXPECT_EQ(made, 20);

    // A public page (a name the browser alone resolves to this machine)
    // has its own requests checked, not those to this machine.
    server.error("/own.m3u8", 404);
    server.body("/public", "<title>Public</title><script>var at = ':' + location.port;"
                           "fetch('http://127.0.0.1' + at + '/c.m3u8?local');"
                           "fetch('http://localhost' + at + '/c.m3u8?named');"
                           "fetch('/own.m3u8');</script>");
    const std::string port = std::to_string(server.port());
    made = 0;
    ASSERT_TRUE(searchTo("http://public.test:" + port + "/public"));
    ASSERT_TRUE(requested("/c.m3u8", 32) && requested("/own.m3u8", 1));
    ASSERT_EQ(made, 1);
    EXPECT_EQ(asked.front().first, "http://public.test:" + port + "/own.m3u8");
    asked.clear();

    // No video: Download says so, and the status bar with it.
    QPushButton* download = tab->downloadButton();
    const QString none = "There is no video on this page.";
    ASSERT_TRUE(searchTo(server.url("/plain page")));
    EXPECT_FALSE(download->isEnabled());
    EXPECT_EQ(download->toolTip(), none);
    EXPECT_EQ(window->statusBar()->currentMessage(), none);

    // A protected page: the same, in its own words; handed over all the
    // same, its row ends with them.
    const QString locked = "This video is protected and cannot be saved.";
    server.body("/locked", "<title>Locked</title><script>"
                           "navigator.requestMediaKeySystemAccess('com.widevine.alpha',"
                           " [{initDataTypes: ['cenc']}]).catch(() => {});</script>");
    ASSERT_TRUE(searchTo(server.url("/locked")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return download->toolTip() == locked; }, 60000))
        << download->toolTip().toStdString();
    EXPECT_FALSE(download->isEnabled());
    EXPECT_EQ(window->statusBar()->currentMessage(), locked);
    window->queueAddresses({QString::fromStdString(server.url("/locked"))});
    ASSERT_EQ(transferRows(), 1);
    const TransferRecord& record = window->dataFolder()->transfers().at(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return record.state == TransferState::Failed; }, 60000));
    EXPECT_EQ(transferCell(0, TransferModel::StatusColumn).toStdString(),
              "Error: " + locked.toStdString());

    // A page with a video: Download is ready, and the notice has gone.
    ASSERT_TRUE(searchTo(server.url("/watch")));
    EXPECT_TRUE(download->isEnabled());
    EXPECT_NE(window->statusBar()->currentMessage(), locked);
}

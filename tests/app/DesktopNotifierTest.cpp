// Desktop notifications: what each end says, the DataFolder telling the ends
// of real transfers as the setting says, and the D-Bus call, against a
// notification service of our own on a private bus.
#include "DesktopNotifier.h"
#include "DataFolderFixture.h"
#include "FixtureServer.h"
#include "MessageBox.h"
#include "PrivateBus.h"
#include "TransferRecord.h"
#include "WorkRunner.h"
#include "gui/ScopedDataHome.h"
#include "gui/UrlCatcher.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const ServiceName = "org.freedesktop.Notifications";
const char* const ServicePath = "/org/freedesktop/Notifications";

// What one Notify call carried.
struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = 0;
};

} // namespace

// The notification service, answering on a thread of its own as a real one
// answers from its own process. It holds each answer until the test opens
// its gate: a caller that waited for the answer would keep the gate shut
// and be counted in heldCallers once the wait gives up.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<NotifyCall> calls() const {
        std::lock_guard lock(mutex);
        return seen;
    }
    int heldCallers() const {
        std::lock_guard lock(mutex);
        return held;
    }
    void openGate() {
        std::lock_guard lock(mutex);
        gateOpen = true;
        gateChanged.notify_all();
    }
    void offer(const QStringList& capabilities) {
        std::lock_guard lock(mutex);
        offered = capabilities;
    }

public slots:
    QStringList GetCapabilities() {
        std::lock_guard lock(mutex);
        return offered;
    }
    // The user chooses an action, said after every answer sent before.
    void Invoke(uint id, const QString& action) {
        QDBusConnection(QStringLiteral("fake-notifications"))
            .send(QDBusMessage::createSignal(ServicePath, ServiceName, "ActionInvoked")
                  << id << action);
    }
    // Runs on the service's thread.
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout) {
        std::unique_lock lock(mutex);
        seen.push_back(
            {appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
        if (!gateChanged.wait_for(lock, std::chrono::seconds(15), [this] { return gateOpen; }))
            ++held;
        return static_cast<uint>(seen.size());
    }

private:
    mutable std::mutex mutex;
    std::condition_variable gateChanged;
    bool gateOpen = false;
    QStringList offered{QStringLiteral("body")};
    int held = 0;
    std::vector<NotifyCall> seen;
};

namespace {

// FakeNotifications on its own thread and connection, owning the service
// name on bus for the object's life.
class NotificationService {
public:
    explicit NotificationService(const PrivateBus& bus)
        : connection(QDBusConnection::connectToBus(QString::fromStdString(bus.address()),
                                                   QStringLiteral("fake-notifications"))) {
        fake.moveToThread(&thread);
        thread.start();
        registered = connection.registerObject(QString::fromLatin1(ServicePath), &fake,
                                               QDBusConnection::ExportAllSlots) &&
                     connection.registerService(QString::fromLatin1(ServiceName));
    }
    ~NotificationService() {
        fake.openGate();
        connection.unregisterService(QString::fromLatin1(ServiceName));
        connection.unregisterObject(QString::fromLatin1(ServicePath));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
        thread.quit();
        thread.wait();
    }
    NotificationService(const NotificationService&) = delete;
    NotificationService& operator=(const NotificationService&) = delete;

    bool isRegistered() const { return registered; }

    // Declared before fake: the thread is stopped before fake goes.
    QThread thread;
    FakeNotifications fake;

private:
    QDBusConnection connection;
    bool registered = false;
};

// Collects what qInfo says while it lives.
class InfoLines {
public:
    InfoLines() { previous = qInstallMessageHandler(&InfoLines::take); }
    ~InfoLines() {
        qInstallMessageHandler(previous);
        lines().clear();
    }
    InfoLines(const InfoLines&) = delete;
    InfoLines& operator=(const InfoLines&) = delete;

    static QStringList& lines() {
        static QStringList taken;
        return taken;
    }

private:
    static void take(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtInfoMsg)
            lines() << text;
    }
    QtMessageHandler previous = nullptr;
};

class DesktopNotifications : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        MessageBox::setSink([this](const QString& text) { messages << text; });
    }
    void TearDown() override { MessageBox::setSink({}); }

    ScopedDataHome home;
    QStringList messages;
};

QStringList summaries(const std::vector<NotifyCall>& calls) {
    QStringList all;
    for (const NotifyCall& call : calls)
        all << call.summary;
    return all;
}

// An ended transfer as the list hands it on.
TransferRecord ended(TransferState state, const std::string& title) {
    TransferRecord record;
    record.state = state;
    record.title = title;
    record.movieFolder = "/films & <clips>";
    record.musicFolder = "/music";
    return record;
}

std::optional<QString> summaryOf(const TransferRecord& record) {
    const auto message = DesktopNotifier::messageFor(record);
    return message ? std::optional<QString>(message->summary) : std::nullopt;
}

} // namespace

TEST(DesktopNotifierMessages, FollowHowTheTransferEndedAndWhatItWas) {
    TransferRecord done = ended(TransferState::Done, "Tom & Jerry <live>");
    done.moviePath = "/films & <clips>/Tom & Jerry <live>.flv";
    const auto message = DesktopNotifier::messageFor(done);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->summary, "Download complete: Tom & Jerry <live>");
    // The body is markup to the service; a folder name must stay text.
    EXPECT_EQ(message->body, "The movie is in /films &amp; &lt;clips&gt;.");

    // Converted automatically: one message, for the MP3.
    TransferRecord automatic = done;
    automatic.mp3Path = "/music/Tom & Jerry <live>.mp3";
    EXPECT_EQ(summaryOf(automatic), "Converted to MP3: Tom & Jerry <live>");
    TransferRecord asked = ended(TransferState::Done, "Asked");
    asked.kind = TransferKind::Conversion;
    EXPECT_EQ(DesktopNotifier::messageFor(asked)->body, "The MP3 is in /music.");

    EXPECT_EQ(message->file, "/films & <clips>/Tom & Jerry <live>.flv");

    TransferRecord broken = ended(TransferState::Failed, "Broken");
    broken.error = Reason::SaveFailed;
    EXPECT_EQ(summaryOf(broken), "Download failed: Broken");
    EXPECT_EQ(DesktopNotifier::messageFor(broken)->body, "Could not save movie.");
    // Added by its address, it failed before its page named it.
    TransferRecord untitled = ended(TransferState::Failed, "");
    untitled.pageUrl = "http://127.0.0.1:9/watch?v=1";
    EXPECT_EQ(summaryOf(untitled), "Download failed: http://127.0.0.1:9/watch?v=1");
    // The movie arrived; only its automatic conversion failed.
    TransferRecord mute = broken;
    mute.title = "Mute";
    mute.moviePath = "/films/Mute.mp4";
    EXPECT_EQ(summaryOf(mute), "Conversion failed: Mute");
    TransferRecord failedConversion = ended(TransferState::Failed, "No ffmpeg");
    failedConversion.kind = TransferKind::Conversion;
    EXPECT_EQ(summaryOf(failedConversion), "Conversion failed: No ffmpeg");

    // The user's own doing, or not ended: nothing to tell.
    for (TransferState state :
         {TransferState::Cancelled, TransferState::Paused, TransferState::Interrupted,
          TransferState::Running, TransferState::Queued, TransferState::Converting})
        EXPECT_FALSE(DesktopNotifier::messageFor(ended(state, "Quiet"))) << static_cast<int>(state);
}

TEST_F(DesktopNotifications, EveryEndedTransferIsToldOnceButNotACancelOrWithTheSettingOff) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ready());
    NotificationService service(bus);
    ASSERT_TRUE(service.isRegistered());
    const QString connectionName = QStringLiteral("notifier-under-test");
    const QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), connectionName);
    ASSERT_TRUE(connection.isConnected());
    FixtureServer server;
    server.stream("/movie", testBytes(64 * 1024));
    server.watchPage("/watch", "Clip", {{"5", server.url("/movie")}});
    server.error("/gone", 404);
    server.watchPage("/broken", "Broken", {{"5", server.url("/gone")}});
    server.stall("/stall", "F");
    server.watchPage("/held", "Stopped", {{"5", server.url("/stall")}});
    {
        OpenDataFolder app(connection);
        ASSERT_TRUE(app.folder->settings().notify); // on by default
        auto transfer = [&](const std::string& path, const std::string& title) {
            app.folder->download(server.url(path), title);
            const int row = static_cast<int>(app.list().size()) - 1;
            EXPECT_TRUE(app.waitUntilEnded(row)) << title;
            return row;
        };

        // The window's thread is back from the end before the service
        // answers: the gate opens only now.
        transfer("/watch", "First");
        service.fake.openGate();
        ASSERT_TRUE(QTest::qWaitFor([&] { return service.fake.calls().size() == 1; }, 60000));
        EXPECT_EQ(service.fake.heldCallers(), 0) << "the caller waited for the service";
        const NotifyCall first = service.fake.calls().front();
        EXPECT_EQ(first.appName, "Quillmoth");
        EXPECT_EQ(first.replacesId, 0u);
        EXPECT_EQ(first.appIcon, "quillmoth");
        EXPECT_EQ(first.summary, "Download complete: First");
        EXPECT_TRUE(first.actions.isEmpty()) << "the service takes no actions";
        EXPECT_EQ(first.hints, QVariantMap({{"desktop-entry", QUILLMOTH_APP_ID}}));
        EXPECT_EQ(first.expireTimeout, -1);

        transfer("/broken", "Broken");
        // Cancelled by the user: nothing to tell.
        app.folder->download(server.url("/held"), "Stopped");
        const int stopped = static_cast<int>(app.list().size()) - 1;
        ASSERT_TRUE(app.waitFor([&] { return app.record(stopped).received > 0; }));
        app.folder->cancel({app.id(stopped)});
        ASSERT_TRUE(app.folder->workRunner().waitUntilNone(std::chrono::seconds(60)));

        const auto notify = [&](bool on) {
            Settings wanted = app.folder->settings();
            wanted.notify = on;
            return app.folder->saveSettings(wanted);
        };
        ASSERT_TRUE(notify(false));
        transfer("/watch", "Quiet");
        ASSERT_TRUE(notify(true));
        // One connection's calls arrive in order: once this one is there,
        // nothing sent before it is still on its way.
        transfer("/watch", "Loud");
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return summaries(service.fake.calls()).contains("Download complete: Loud"); },
            60000))
            << summaries(service.fake.calls()).join('\n').toStdString();
        EXPECT_EQ(summaries(service.fake.calls()),
                  QStringList({"Download complete: First", "Download failed: Broken",
                               "Download complete: Loud"}));
    }
    QDBusConnection::disconnectFromBus(connectionName);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(DesktopNotifications, NoServiceOrNoBusCostsOneLogLineAndNothingElse) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ready());
    const QString connectionName = QStringLiteral("notifier-without-service");
    const QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), connectionName);
    ASSERT_TRUE(connection.isConnected());
    // No service, then no bus at all (a connection that never connected).
    for (const QDBusConnection& target :
         {connection, QDBusConnection(QStringLiteral("never-connected"))}) {
        SCOPED_TRACE(target.isConnected() ? "no service" : "no bus");
        InfoLines info;
        DesktopNotifier notifier(target);
        notifier.jobEnded(ended(TransferState::Done, "One"));
        notifier.jobEnded(ended(TransferState::Failed, "Two"));
        notifier.jobEnded(ended(TransferState::Done, "Three"));
        // The bus answers "no such service" later, on the window's thread,
        // in the order it was asked: our own call after theirs comes last.
        if (target.isConnected()) {
            bool answered = false;
            QDBusPendingCallWatcher last(target.asyncCall(QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId")));
            QObject::connect(&last, &QDBusPendingCallWatcher::finished, [&] { answered = true; });
            ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 60000));
        }
        EXPECT_EQ(InfoLines::lines().size(), 1) << InfoLines::lines().join('\n').toStdString();
    }
    QDBusConnection::disconnectFromBus(connectionName);
}

// Where the service takes actions, a saved file's notification opens it
// (the desktop's handler) or shows it in its folder (no file manager here:
// the folder opens); one without a file offers nothing.
TEST_F(DesktopNotifications, ASavedFileOpensOrShowsInItsFolderFromItsNotification) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ready());
    NotificationService service(bus);
    service.fake.offer({"actions", "body"});
    service.fake.openGate();
    QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "with-actions");
    const QString path = "/nowhere/Clip #1.mp4";
    UrlCatcher desktop("file");
    DesktopNotifier notifier(connection);
    TransferRecord done = ended(TransferState::Done, "Clip");
    done.moviePath = path.toStdString();
    notifier.jobEnded(done);
    notifier.jobEnded(ended(TransferState::Failed, "Broken"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.fake.calls().size() == 2; }, 60000));
    EXPECT_EQ(service.fake.calls()[0].actions,
              QStringList({"default", "Open", "open", "Open", "show-in-folder", "Show in Folder"}));
    EXPECT_TRUE(service.fake.calls()[1].actions.isEmpty());
    for (const auto& [id, action] : {std::pair{1u, "open"}, {2u, "open"}, {1u, "show-in-folder"}})
        connection.asyncCall(
            QDBusMessage::createMethodCall(ServiceName, ServicePath, ServiceName, "Invoke")
            << id << QString(action));
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.urls.size() == 2; }, 60000));
    EXPECT_EQ(desktop.urls,
              QList<QUrl>({QUrl::fromLocalFile(path), QUrl::fromLocalFile("/nowhere")}));
    QDBusConnection::disconnectFromBus("with-actions");
}

QT_BEGIN_NAMESPACE
// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(", ").toStdString() << '}';
}
QT_END_NAMESPACE

#include "DesktopNotifierTest.moc"

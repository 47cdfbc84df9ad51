// Desktop notifications: the Manager's end listener, the setting and the
// D-Bus call, against a notification service of our own on a private bus.
#include "ControlFinder.h"
#include "DownloadItems.h"
#include "Downloads.h"
#include "LibraryView.h"
#include "ListView.h"
#include "Manager.h"
#include "MessageBox.h"
#include "PrivateBus.h"
#include "Settings.h"
#include "SettingsTab.h"
#include "core.h"
#include "gui/ScopedDataHome.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
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

public slots:
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

// The Manager as the window builds it, over a fresh data folder, with its
// jobs kept instead of run so that the test speaks for them on the channel.
class NotifyingManager {
public:
    explicit NotifyingManager(const QDBusConnection& bus) {
        transfers = ListView::create(&window, "listView1",
                                     {{"Title", 300}, {"Progress", 200}, {"Status", 300}});
        auto* library = LibraryView::build(&window);
        page = new SettingsTab(&window); // owned by the window
        auto* timer = new QTimer(&window);
        auto* title = new QLineEdit(&window);
        manager = std::make_unique<Manager>(transfers, library, page, timer, title, bus);
        manager->getDownloads().setWorkerStarter(
            [this](std::unique_ptr<core> job) { kept.push_back(std::move(job)); });
    }
    ~NotifyingManager() { manager.reset(); }
    NotifyingManager(const NotifyingManager&) = delete;
    NotifyingManager& operator=(const NotifyingManager&) = delete;

    // Starts a transfer and reports texts for its job; returns its row.
    int transfer(const std::string& title, const std::vector<std::string>& texts) {
        const int id = manager->getDownloads().getNextId();
        manager->download("http://127.0.0.1:1/watch", title);
        report(id, texts);
        return manager->getDownloads().getRowCount() - 1;
    }

    // What a job's worker would send, then the window's drain.
    void report(int id, const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
            Downloads::cb(id, text.c_str());
        while (manager->getDownloads().tick()) {
        }
    }

    // The id the row's next job reports under.
    int nextId() const { return manager->getDownloads().getNextId(); }

    // Ticks or unticks the Settings tab's box and saves, as the user does.
    void setNotify(bool on) {
        page->notifyBox()->setChecked(on);
        ASSERT_TRUE(manager->saveSettings());
    }

    QString status(int row) const { return ListView::cellText(transfers, row, 2); }

    QWidget window;
    QTreeWidget* transfers = nullptr;
    SettingsTab* page = nullptr;
    std::vector<std::unique_ptr<core>> kept;
    std::unique_ptr<Manager> manager;
};

class DesktopNotifications : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        clearQueues();
        MessageBox::setSink([this](const QString& text) { messages << text; });
    }
    void TearDown() override {
        MessageBox::setSink({});
        clearQueues();
    }
    static void clearQueues() {
        Downloads::updates.clear();
        Downloads::dls.clear();
    }

    ScopedDataHome home;
    QStringList messages;
};

QStringList summaries(const std::vector<NotifyCall>& calls) {
    QStringList all;
    for (const NotifyCall& call : calls)
        all << call.summary;
    return all;
}

const std::vector<std::string> DownloadDone = {"setflv", "Download Complete!", "done"};

} // namespace

TEST_F(DesktopNotifications, EveryEndedJobIsToldOnceButNotACancelOrWithTheSettingOff) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ready());
    NotificationService service(bus);
    ASSERT_TRUE(service.isRegistered());
    const QString connectionName = QStringLiteral("notifier-under-test");
    const QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), connectionName);
    ASSERT_TRUE(connection.isConnected());
    {
        NotifyingManager app(connection);
        // The body is markup to the service; a folder name must stay text.
        const QString films = home.filePath("Films & <Clips>");
        ASSERT_TRUE(QDir().mkpath(films));
        app.page->movieFolderBox()->setText(films);
        ASSERT_TRUE(app.manager->saveSettings());
        ASSERT_TRUE(app.manager->getSettings().shouldNotify()); // on by default

        // The window's thread is back from the drain before the service
        // answers: the gate opens only now.
        app.transfer("Tom & Jerry <live>", DownloadDone);
        service.fake.openGate();
        ASSERT_TRUE(QTest::qWaitFor([&] { return service.fake.calls().size() == 1; }, 20000));
        EXPECT_EQ(service.fake.heldCallers(), 0) << "the caller waited for the service";
        const NotifyCall first = service.fake.calls().front();
        EXPECT_EQ(first.appName, "Quillmoth");
        EXPECT_EQ(first.replacesId, 0u);
        EXPECT_EQ(first.appIcon, "quillmoth");
        EXPECT_EQ(first.summary, "Download complete: Tom & Jerry <live>");
        EXPECT_TRUE(first.body.contains("Films &amp; &lt;Clips&gt;")) << first.body.toStdString();
        EXPECT_FALSE(first.body.contains("<Clips>")) << first.body.toStdString();
        EXPECT_TRUE(first.actions.isEmpty());
        EXPECT_TRUE(first.hints.isEmpty());
        EXPECT_EQ(first.expireTimeout, -1);

        // Converted automatically: one notification, for the MP3, not two.
        app.transfer("Auto", {"setmp4", "Download Complete!", "Converting to mp3...", "setmp3",
                              "done", "Complete! Thank you for using Quillmoth."});
        app.transfer("Broken", {"Scraping URL...", "done", "Error: Could not save movie."});
        // The movie arrived; only its automatic conversion failed.
        app.transfer("Mute", {"setmp4", "Download Complete!", "Converting to mp3...", "done",
                              core::convertFailedText});
        app.transfer("No ffmpeg", {"setmp4", "Download Complete!", "Converting to mp3...", "done",
                                   core::ffmpegMissingText});
        app.transfer("No room", {"setmp4", "Download Complete!", "Converting to mp3...", "done",
                                 core::musicFolderText});

        // Cancelled by the user: nothing to tell.
        const int id = app.nextId();
        const int stopped = app.transfer("Stopped", {"Downloading... [Patience]"});
        app.manager->cancel(stopped);
        app.report(id, {"done", core::cancelledText});
        EXPECT_EQ(app.status(stopped), "Cancelled.");

        // Converted on request from the row's menu.
        const int convertId = app.nextId();
        app.manager->convert(0);
        app.report(convertId, {"Converting to mp3...", "setmp3", "done",
                               "Complete! Thank you for using Quillmoth."});

        app.setNotify(false);
        app.transfer("Quiet", DownloadDone);
        app.transfer("Quiet failure", {"done", "Error: Could not make connection."});
        app.setNotify(true);
        // One connection's calls arrive in order: once this one is there,
        // nothing sent before it is still on its way.
        app.transfer("Loud", DownloadDone);
        ASSERT_TRUE(QTest::qWaitFor([&] { return service.fake.calls().size() >= 8; }, 20000));

        const std::vector<NotifyCall> calls = service.fake.calls();
        EXPECT_EQ(summaries(calls),
                  QStringList({"Download complete: Tom & Jerry <live>", "Converted to MP3: Auto",
                               "Download failed: Broken", "Conversion failed: Mute",
                               "Conversion failed: No ffmpeg", "Conversion failed: No room",
                               "Converted to MP3: Tom & Jerry <live>", "Download complete: Loud"}));
        if (calls.size() == 8) {
            const QString music = QString::fromStdString(app.manager->getSettings().getMp3Path());
            EXPECT_TRUE(calls[1].body.contains(music.toHtmlEscaped()));
            EXPECT_EQ(calls[2].body, "Could not save movie.");
        }
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
        NotifyingManager app(target);
        app.transfer("One", DownloadDone);
        app.transfer("Two", {"done", "Error: Could not save movie."});
        app.transfer("Three", DownloadDone);
        // The bus answers "no such service" later, on the window's thread,
        // in the order it was asked: our own call after theirs comes last.
        if (target.isConnected()) {
            bool answered = false;
            QDBusPendingCallWatcher last(target.asyncCall(QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId")));
            QObject::connect(&last, &QDBusPendingCallWatcher::finished, [&] { answered = true; });
            ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 20000));
        }

        EXPECT_EQ(InfoLines::lines().size(), 1) << InfoLines::lines().join('\n').toStdString();
        EXPECT_EQ(app.status(0), "Download Complete!");
        EXPECT_EQ(app.status(1), "Error: Could not save movie.");
        EXPECT_EQ(app.status(2), "Download Complete!");
    }
    QDBusConnection::disconnectFromBus(connectionName);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
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

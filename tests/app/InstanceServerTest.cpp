// One window per data folder: a later start's addresses reach the window that
// holds the folder, the socket refuses what it cannot hold, and a crashed
// window's folder is taken over by the next start.
#include "InstanceServer.h"
#include "FixtureServer.h"
#include "gui/ProgramChild.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

// From a thread of its own, as another process would, while this thread
// serves the window's side.
bool handOver(const InstanceServer& from, QStringList addresses, int timeoutMs = 60000) {
    bool taken = false;
    const std::unique_ptr<QThread> thread(
        QThread::create([&] { taken = from.handOver(addresses, timeoutMs); }));
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    return taken;
}

// Every address of every message received, in order.
QStringList receivedAddresses(const QSignalSpy& spy) {
    QStringList all;
    for (const QList<QVariant>& message : spy)
        all << message[0].toStringList();
    return all;
}

constexpr auto Taken = InstanceServer::Claim::Taken;

void startProgram(QProcess& child, const QProcessEnvironment& env, const QStringList& args) {
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationDirPath() + "/quillmoth", args);
}

} // namespace

TEST(InstanceServer, ALaterStartHandsItsAddressesToTheWindowHoldingItsFolder) {
    QTemporaryDir data;
    QTemporaryDir otherData;
    InstanceServer window(data.path());
    ASSERT_EQ(window.becomePrimary(), Taken);
    window.deliver();
    QSignalSpy received(&window, &InstanceServer::addressesReceived);
    // Another spelling of the same folder meets the same window.
    const QString link = otherData.filePath("link");
    ASSERT_TRUE(QFile::link(data.path(), link));
    InstanceServer later(link);
    EXPECT_EQ(later.becomePrimary(), InstanceServer::Claim::Held);
    const QStringList addresses{"http://a.test/watch?v=1", "https://b.test/ü", "c"};
    EXPECT_TRUE(handOver(later, addresses));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0][0].toStringList(), addresses);

    InstanceServer other(otherData.path());
    EXPECT_EQ(other.becomePrimary(), Taken);
    EXPECT_TRUE(handOver(other, {"http://o.test/"}));
    EXPECT_EQ(received.size(), 1);
}

TEST(InstanceServer, ManyAddressesGoInPartsAnOversizeMessageIsRefused) {
    QTemporaryDir data;
    InstanceServer window(data.path());
    ASSERT_EQ(window.becomePrimary(), Taken);
    window.deliver();
    QSignalSpy received(&window, &InstanceServer::addressesReceived);
    QSignalSpy raised(&window, &InstanceServer::raiseRequested);
    QStringList many;
    for (int i = 0; i <= 2 * InstanceServer::MaxAddresses; ++i)
        many << QString::number(i);
    many << QString(700000, 'a') << QString(700000, 'b') << "last";
    EXPECT_TRUE(handOver(window, many));
    EXPECT_EQ(receivedAddresses(received), many);
    // Cut off for its size, before a silent client's time is up: one that
    // came first is still connected.
    received.clear();
    raised.clear();
    QLocalSocket silent;
    silent.connectToServer(window.socketPath());
    QLocalSocket oversize;
    oversize.connectToServer(window.socketPath());
    oversize.write(QByteArray(InstanceServer::MaxMessageBytes + 1, 'x'));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return oversize.state() == QLocalSocket::UnconnectedState; }, 60000));
    EXPECT_EQ(silent.state(), QLocalSocket::ConnectedState) << "cut off by the clock";
    EXPECT_EQ(raised.size(), 0);

    // A message without addresses only raises the window.
    EXPECT_TRUE(handOver(window, {}));
    EXPECT_EQ(raised.size(), 1);
    EXPECT_EQ(received.size(), 0);
}

// Nothing the window answered is lost: what comes while it is being built
// waits for it, and a closing window takes nothing, so that a later start
// becomes the next window instead.
TEST(InstanceServer, TakenMessagesWaitForTheWindowAndAClosingWindowTakesNone) {
    QTemporaryDir data;
    InstanceServer window(data.path());
    ASSERT_EQ(window.becomePrimary(), Taken);
    QSignalSpy received(&window, &InstanceServer::addressesReceived);
    QSignalSpy raised(&window, &InstanceServer::raiseRequested);
    InstanceServer later(data.path());
    EXPECT_TRUE(handOver(later, {"http://a.test/1"}));
    EXPECT_TRUE(handOver(later, {"http://a.test/2", "http://a.test/3"}));
    EXPECT_EQ(received.size(), 0);
    window.deliver();
    EXPECT_EQ(receivedAddresses(received),
              QStringList({"http://a.test/1", "http://a.test/2", "http://a.test/3"}));
    EXPECT_EQ(raised.size(), 2);

    window.setListening(false);
    EXPECT_FALSE(handOver(later, {"http://a.test/4"}, 500));
    EXPECT_EQ(later.becomePrimary(), InstanceServer::Claim::Held);
    // The user stayed after all.
    window.setListening(true);
    EXPECT_TRUE(handOver(later, {"http://a.test/4"}));
    EXPECT_EQ(receivedAddresses(received).last(), "http://a.test/4");
}

// Only a lock this process holds makes a window: one that cannot be made
// at all must not take the running window's socket.
TEST(InstanceServer, AFolderThatCannotBeLockedMakesNoWindow) {
    QTemporaryDir home;
    const QString folder = home.filePath("data");
    InstanceServer window(folder);
    ASSERT_EQ(window.becomePrimary(), Taken);
    window.deliver();
    QSignalSpy received(&window, &InstanceServer::addressesReceived);
    // The same name, now a file: no lock file can be made in it.
    ASSERT_TRUE(QDir().rename(folder, home.filePath("moved")));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    InstanceServer later(folder);
    EXPECT_EQ(later.becomePrimary(), InstanceServer::Claim::Failed);
    EXPECT_TRUE(later.failure().contains("quillmoth.lock")) << later.failure().toStdString();
    ASSERT_EQ(later.socketPath(), window.socketPath());
    EXPECT_TRUE(handOver(later, {"http://a.test/"}));
    EXPECT_EQ(received.size(), 1);
}

TEST(ProgramInstance, ASecondStartHandsOverAndExitsZeroAndACrashedWindowIsTakenOver) {
    if (!QFileInfo(QCoreApplication::applicationDirPath() + "/quillmoth").isExecutable())
        GTEST_SKIP() << "quillmoth is not built beside the tests";
    FixtureServer site;
    for (const char* page : {"/first", "/second", "/third"})
        site.body(page, "<html></html>");
    const auto url = [&](const char* page) { return QString::fromStdString(site.url(page)); };
    const auto fetched = [&](const char* page) {
        return QTest::qWaitFor([&] { return site.hits(page) > 0; }, 60000);
    };
    QTemporaryDir dataHome;
    const QProcessEnvironment env = programEnvironment(dataHome.path());
    const auto runToEnd = [&](const QStringList& args) {
        QProcess start;
        startProgram(start, env, args);
        return start.waitForFinished(30000) && start.exitStatus() == QProcess::NormalExit
                   ? start.exitCode()
                   : -1;
    };

    QProcess window;
    startProgram(window, env, {"ftp://a.test/skipped", url("/first")});
    EXPECT_TRUE(fetched("/first"));
    EXPECT_EQ(runToEnd({url("/second")}), 0);
    EXPECT_TRUE(fetched("/second"));
    EXPECT_EQ(runToEnd({}), 0);
    EXPECT_EQ(window.state(), QProcess::Running);

    // Killed, it leaves its lock and socket behind.
    window.kill();
    window.waitForFinished();
    QProcess next;
    startProgram(next, env, {url("/third")});
    EXPECT_TRUE(fetched("/third"));
    EXPECT_EQ(runToEnd({}), 0);
    EXPECT_TRUE(terminatesCleanly(next));
}

// One window per data folder: a later start's addresses reach the window that
// holds the folder, the socket refuses what it cannot hold, and a crashed
// window's folder is taken over by the next start.
#include "InstanceServer.h"
#include "FixtureServer.h"
#include "gui/ProgramChild.h"

#include <QCoreApplication>
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
bool handOver(const InstanceServer& from, const QStringList& addresses) {
    bool taken = false;
    const std::unique_ptr<QThread> thread(
        QThread::create([&] { taken = from.handOver(addresses, 10000); }));
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    return taken;
}

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
    ASSERT_TRUE(window.becomePrimary());
    QSignalSpy received(&window, &InstanceServer::addressesReceived);
    // Another spelling of the same folder meets the same window.
    const QString link = otherData.filePath("link");
    ASSERT_TRUE(QFile::link(data.path(), link));
    InstanceServer later(link);
    EXPECT_FALSE(later.becomePrimary());
    const QStringList addresses{"http://a.test/watch?v=1", "https://b.test/ü", "c"};
    EXPECT_TRUE(handOver(later, addresses));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0][0].toStringList(), addresses);

    InstanceServer other(otherData.path());
    EXPECT_TRUE(other.becomePrimary());
    EXPECT_TRUE(handOver(other, {"http://o.test/"}));
    EXPECT_EQ(received.size(), 1);
}

TEST(InstanceServer, AnOversizeMessageIsRefused) {
    QTemporaryDir data;
    InstanceServer window(data.path());
    ASSERT_TRUE(window.becomePrimary());
    QSignalSpy raised(&window, &InstanceServer::raiseRequested);
    QStringList many;
    for (int i = 0; i <= InstanceServer::MaxAddresses; ++i)
        many << QString::number(i);
    EXPECT_FALSE(handOver(window, many));
    // Cut off at once, well before a silent client's time is up.
    QLocalSocket oversize;
    oversize.connectToServer(window.socketPath());
    oversize.write(QByteArray(InstanceServer::MaxMessageBytes + 1, 'x'));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return oversize.state() == QLocalSocket::UnconnectedState; }, 3000));
    EXPECT_EQ(raised.size(), 0);

    // A message without addresses only raises the window.
    EXPECT_TRUE(handOver(window, {}));
    EXPECT_EQ(raised.size(), 1);
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

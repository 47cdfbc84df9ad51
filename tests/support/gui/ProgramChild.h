#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <gtest/gtest.h>

// The environment of the real program run as a child: offscreen, with its
// data folder and its home (the default Videos and Music folders) in
// dataHome.
inline QProcessEnvironment programEnvironment(const QString& dataHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("XDG_DATA_HOME", dataHome);
    env.insert("HOME", dataHome);
    env.insert("XDG_CONFIG_HOME", dataHome + "/.config");
    return env;
}

// Sends SIGTERM and waits for the child; true when it exited normally with 0.
inline ::testing::AssertionResult terminatesCleanly(QProcess& child) {
    child.terminate();
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return ::testing::AssertionFailure() << "the program did not end after SIGTERM";
    }
    // After a crash, QProcess keeps the signal that ended the child as its
    // exit code.
    if (child.exitStatus() != QProcess::NormalExit)
        return ::testing::AssertionFailure()
               << "the program crashed (signal " << child.exitCode() << ")";
    if (child.exitCode() != 0)
        return ::testing::AssertionFailure() << "exit code " << child.exitCode();
    return ::testing::AssertionSuccess();
}

#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Hands a file, a folder or a web address to the desktop (xdg-open, else
// the platform's own way) and says in a message box when nothing opened
// it: a desktop without a file manager or browser is told, never silent.
// Asynchronous: the window never waits for the desktop. Window thread only.
class DesktopLaunch {
public:
    DesktopLaunch() = delete;

    // The desktop's application for url; failure is what the user reads
    // when none opened it.
    static void open(const QUrl& url, const QString& failure);
    // The same with the words for a file, a folder or a web page.
    static void open(const QUrl& url);

    // Starts the hand-over and tells done whether it went through (later,
    // on the window's thread). Tests replace it; an empty one restores the
    // desktop's. Returns the previous one.
    using Launcher = std::function<void(const QUrl& url, std::function<void(bool opened)> done)>;
    static Launcher setLauncher(Launcher launcher);
    // The launcher in force (the desktop's when none was set).
    static Launcher launcher();
};

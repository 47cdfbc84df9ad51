#include "toolkit/DesktopLaunch.h"

#include "toolkit/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <utility>

namespace {

DesktopLaunch::Launcher& replaced() {
    static DesktopLaunch::Launcher launcher;
    return launcher;
}

// xdg-open says by its exit status whether anything opened the address
// (3: no tool for it, 4: it failed); Qt's own way only whether it could
// start a launcher at all.
void desktopLaunch(const QUrl& url, std::function<void(bool)> done) {
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        done(QDesktopServices::openUrl(url));
        return;
    }
    // Owned by the application until it ends; never waited for.
    auto* process = new QProcess(QCoreApplication::instance());
    auto told = std::make_shared<bool>(false);
    auto tell = [process, told, done = std::move(done)](bool opened) {
        if (std::exchange(*told, true))
            return;
        process->deleteLater();
        done(opened);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [tell](int code, QProcess::ExitStatus status) {
                         tell(status == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [tell](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             tell(false);
                     });
    // What it prints is the desktop's business; the message box says the rest.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(xdgOpen, {url.toString(QUrl::FullyEncoded)});
}

QString wordsFor(const QUrl& url) {
    if (!url.isLocalFile())
        return QCoreApplication::translate(
                   "DesktopLaunch", "Could not open %1: no web browser on this desktop opened it.")
            .arg(url.toString());
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir())
        return QCoreApplication::translate(
                   "DesktopLaunch",
                   "Could not show the folder %1: no file manager on this desktop opened it.")
            .arg(path);
    return QCoreApplication::translate(
               "DesktopLaunch", "Could not open %1: no application on this desktop opened it.")
        .arg(path);
}

} // namespace

void DesktopLaunch::open(const QUrl& url, const QString& failure) {
    launcher()(url, [failure](bool opened) {
        if (!opened)
            MessageBox::show(failure);
    });
}

void DesktopLaunch::open(const QUrl& url) {
    open(url, wordsFor(url));
}

DesktopLaunch::Launcher DesktopLaunch::setLauncher(Launcher launcher) {
    return std::exchange(replaced(), std::move(launcher));
}

DesktopLaunch::Launcher DesktopLaunch::launcher() {
    if (const Launcher& set = replaced())
        return set;
    return desktopLaunch;
}

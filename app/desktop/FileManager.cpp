#include "app/desktop/FileManager.h"

#include "toolkit/DesktopLaunch.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QUrl>

#include <utility>

namespace {

// Long enough for a file manager that starts on demand.
constexpr int CallTimeoutMs = 10000;

// Said in a message box when nothing opens it either.
void openFolder(const QString& folder) {
    DesktopLaunch::open(QUrl::fromLocalFile(folder));
}

} // namespace

FileManager::FileManager(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus(std::move(bus)) {}

void FileManager::showItem(const QString& path) {
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    if (!file.exists() || !bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList({QUrl::fromLocalFile(file.absoluteFilePath()).toString()}) << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [folder](QDBusPendingCallWatcher* finished) {
                if (finished->isError())
                    openFolder(folder);
                finished->deleteLater();
            });
}

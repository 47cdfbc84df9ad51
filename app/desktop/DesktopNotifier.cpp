#include "app/desktop/DesktopNotifier.h"

#include "app/desktop/FileManager.h"
#include "toolkit/DesktopLaunch.h"
#include "toolkit/Text.h"
#include "transfers/ReasonTexts.h"
#include "transfers/list/TransferRecord.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <QtGlobal>

#include <utility>

namespace {

const char* const Service = "org.freedesktop.Notifications";
const char* const Path = "/org/freedesktop/Notifications";
const char* const Interface = "org.freedesktop.Notifications";

// The keys of the actions we offer; "default" is a click on the notification.
const char* const DefaultAction = "default";
const char* const OpenAction = "open";
const char* const ShowAction = "show-in-folder";

QDBusMessage callOf(const char* method) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                          QString::fromLatin1(Interface),
                                          QString::fromLatin1(method));
}

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus(std::move(bus)),
      files(new FileManager(this->bus, this)) { // owned by this
    if (!this->bus.isConnected())
        return;
    for (const auto& [name, slot] :
         {std::pair{"ActionInvoked", SLOT(onActionInvoked(uint, QString))},
          std::pair{"NotificationClosed", SLOT(onClosed(uint, uint))}})
        this->bus.connect(QString::fromLatin1(Service), QString::fromLatin1(Path),
                          QString::fromLatin1(Interface), QString::fromLatin1(name), this, slot);
}

std::optional<DesktopNotifier::Message> DesktopNotifier::messageFor(const TransferRecord& record) {
    // A transfer added by its address alone fails before its page gave it a title.
    const QString title = wide(record.title.empty() ? record.pageUrl : record.title);
    // An automatic conversion ends the download's own job, marked converted;
    // once the movie is saved, only its conversion is left to fail.
    const bool conversion = record.kind == TransferKind::Conversion;
    switch (record.state) {
    case TransferState::Done:
        if (conversion || record.converted())
            return Message{tr("Converted to MP3: %1").arg(title),
                           tr("The MP3 is in %1.").arg(wide(record.musicFolder)).toHtmlEscaped(),
                           wide(record.mp3Path)};
        return Message{tr("Download complete: %1").arg(title),
                       tr("The movie is in %1.").arg(wide(record.movieFolder)).toHtmlEscaped(),
                       wide(record.moviePath)};
    case TransferState::Failed:
        return Message{(conversion || !record.moviePath.empty() ? tr("Conversion failed: %1")
                                                                : tr("Download failed: %1"))
                           .arg(title),
                       ReasonTexts::cause(record.error).toHtmlEscaped(), QString()};
    default: // running, or stopped by the user
        break;
    }
    return std::nullopt;
}

void DesktopNotifier::jobEnded(const TransferRecord& record) {
    if (const auto message = messageFor(record))
        send(*message);
}

void DesktopNotifier::send(const Message& message) {
    if (!bus.isConnected()) {
        unavailable(QStringLiteral("no session bus"));
        return;
    }
    if (capabilities == Capabilities::Known) {
        notify(message);
        return;
    }
    waiting.push_back(message);
    askCapabilities();
}

void DesktopNotifier::askCapabilities() {
    if (capabilities != Capabilities::Unknown)
        return;
    capabilities = Capabilities::Asked;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(callOf("GetCapabilities")),
                                                this); // owned by this
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<QStringList> reply = *done;
                // A service that cannot say takes plain notifications.
                if (reply.isError())
                    unavailable(reply.error().message());
                else
                    takesActions = reply.value().contains(QStringLiteral("actions"));
                capabilities = Capabilities::Known;
                for (const Message& message : std::exchange(waiting, {}))
                    notify(message);
                done->deleteLater();
            });
}

void DesktopNotifier::notify(const Message& message) {
    const bool actions = takesActions && !message.file.isEmpty();
    QStringList offered;
    if (actions)
        offered << QString::fromLatin1(DefaultAction) << tr("Open")
                << QString::fromLatin1(OpenAction) << tr("Open") << QString::fromLatin1(ShowAction)
                << tr("Show in Folder");
    // The desktop names and groups the notification after our desktop entry.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral(QUILLMOTH_APP_ID)}};
    QDBusMessage call = callOf("Notify");
    call << QStringLiteral("Quillmoth") << uint(0) << QStringLiteral("quillmoth") << message.summary
         << message.body << offered << hints << int(-1);
    // Queued to the bus's own thread; the answer comes back to this thread
    // as the watcher's signal, never waited for here.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this); // owned by this
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, actions, file = message.file](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isError())
                    unavailable(reply.error().message());
                else if (actions)
                    shown[reply.value()] = file;
                done->deleteLater();
            });
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    const auto it = shown.find(id);
    if (it == shown.end())
        return;
    if (action == QLatin1String(ShowAction))
        files->showItem(it->second);
    else if (action == QLatin1String(OpenAction) || action == QLatin1String(DefaultAction))
        DesktopLaunch::open(QUrl::fromLocalFile(it->second));
}

void DesktopNotifier::onClosed(uint id, uint) {
    shown.erase(id);
}

void DesktopNotifier::unavailable(const QString& why) {
    // Said once: a desktop without the service would otherwise hear it at
    // every transfer.
    if (toldUnavailable)
        return;
    toldUnavailable = true;
    qInfo("Desktop notifications are not shown: %s", qUtf8Printable(why));
}

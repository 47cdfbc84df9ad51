#include "DesktopNotifier.h"

#include "ReasonTexts.h"
#include "Text.h"
#include "TransferRecord.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <QtGlobal>

#include <utility>

namespace {

const char* const Service = "org.freedesktop.Notifications";
const char* const Path = "/org/freedesktop/Notifications";
const char* const Interface = "org.freedesktop.Notifications";

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus(std::move(bus)) {}

std::optional<DesktopNotifier::Message> DesktopNotifier::messageFor(const TransferRecord& record) {
    const QString title = wide(record.title);
    // An automatic conversion ends the download's own job, marked converted;
    // once the movie is saved, only its conversion is left to fail.
    const bool conversion = record.kind == TransferKind::Conversion;
    switch (record.state) {
    case TransferState::Done:
        if (conversion || record.converted())
            return Message{tr("Converted to MP3: %1").arg(title),
                           tr("The MP3 is in %1.").arg(wide(record.musicFolder)).toHtmlEscaped()};
        return Message{tr("Download complete: %1").arg(title),
                       tr("The movie is in %1.").arg(wide(record.movieFolder)).toHtmlEscaped()};
    case TransferState::Failed:
        return Message{(conversion || !record.moviePath.empty() ? tr("Conversion failed: %1")
                                                                : tr("Download failed: %1"))
                           .arg(title),
                       ReasonTexts::cause(record.error).toHtmlEscaped()};
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
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                       QString::fromLatin1(Interface), QStringLiteral("Notify"));
    call << QStringLiteral("Quillmoth") << uint(0) << QStringLiteral("quillmoth") << message.summary
         << message.body << QStringList() << QVariantMap() << int(-1);
    // Queued to the bus's own thread; the answer comes back to this thread
    // as the watcher's signal, never waited for here.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this); // owned by this
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isError())
                    unavailable(reply.error().message());
                done->deleteLater();
            });
}

void DesktopNotifier::unavailable(const QString& why) {
    // Said once: a desktop without the service would otherwise hear it at
    // every transfer.
    if (toldUnavailable)
        return;
    toldUnavailable = true;
    qInfo("Desktop notifications are not shown: %s", qUtf8Printable(why));
}

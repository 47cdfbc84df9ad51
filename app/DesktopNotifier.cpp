#include "DesktopNotifier.h"

#include "DownloadItems.h"
#include "Text.h"
#include "core.h"

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

// "Error: Could not save movie." reads as "Could not save movie."
QString reason(const std::string& status) {
    const std::string prefix = "Error: ";
    return wide(status.rfind(prefix, 0) == 0 ? status.substr(prefix.size()) : status);
}

// The last texts of a conversion that failed, automatic ones included.
bool conversionFailure(const std::string& status) {
    return status == core::convertFailedText || status == core::ffmpegMissingText ||
           status == core::musicFolderText;
}

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus(std::move(bus)) {}

std::optional<DesktopNotifier::Message> DesktopNotifier::messageFor(const DownloadItems& record) {
    using Outcome = DownloadItems::Outcome;
    const QString title = wide(record.getTitle());
    // An automatic conversion ends the transfer's own job, marked converted.
    const bool conversion = record.job == DownloadItems::Job::Conversion || record.converted();
    switch (record.outcome) {
    case Outcome::Done:
        if (conversion)
            return Message{QStringLiteral("Converted to MP3: ") + title,
                           (QStringLiteral("The MP3 is in ") + wide(record.musicFolder) + '.')
                               .toHtmlEscaped()};
        return Message{
            QStringLiteral("Download complete: ") + title,
            (QStringLiteral("The movie is in ") + wide(record.movieFolder) + '.').toHtmlEscaped()};
    case Outcome::Failed:
        // An automatic conversion fails within the transfer's own job.
        return Message{
            (record.job == DownloadItems::Job::Conversion || conversionFailure(record.shownStatus)
                 ? QStringLiteral("Conversion failed: ")
                 : QStringLiteral("Download failed: ")) +
                title,
            reason(record.shownStatus).toHtmlEscaped()};
    case Outcome::Cancelled: // the user's own doing
    case Outcome::Running:
    case Outcome::Converting:
        break;
    }
    return std::nullopt;
}

void DesktopNotifier::jobEnded(const DownloadItems& record) {
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

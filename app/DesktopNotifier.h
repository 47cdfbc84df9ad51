#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

struct TransferRecord;

// Tells the desktop's notification service (org.freedesktop.Notifications)
// how a transfer or conversion ended. Calls are asynchronous: the window's
// thread never waits for the bus, and a missing bus, service or answer only
// costs one line of log. Window thread only.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // What one notification says: summary is plain text, body is markup
    // (the service may interpret it), so what we put there is escaped.
    struct Message {
        QString summary;
        QString body;
    };

    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    // The notification a transfer's end deserves, from its title, kind and
    // state; none while it runs or when the user cancelled or paused it.
    static std::optional<Message> messageFor(const TransferRecord& record);

    // Sends messageFor(record), if any.
    void jobEnded(const TransferRecord& record);
    void send(const Message& message);

private:
    void unavailable(const QString& why);

    QDBusConnection bus;
    bool toldUnavailable = false;
};

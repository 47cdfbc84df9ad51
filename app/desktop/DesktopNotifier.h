#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <map>
#include <optional>
#include <vector>

class FileManager;
struct TransferRecord;

// Tells the desktop's notification service (org.freedesktop.Notifications)
// how a transfer or conversion ended. A saved file's notification offers to
// open it or show it in its folder where the service says it takes actions
// (asked once, before the first notification). Calls are asynchronous: the
// window's thread never waits for the bus, and a missing bus, service or
// answer only costs one line of log. Window thread only.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // What one notification says: summary is plain text, body is markup
    // (the service may interpret it), so what we put there is escaped. file:
    // what Open opens, empty when nothing was saved.
    struct Message {
        QString summary;
        QString body;
        QString file;
    };

    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    // The notification a transfer's end deserves, from its title (its page's
    // address while it has none), kind and state; none while it runs or when
    // the user cancelled or paused it.
    static std::optional<Message> messageFor(const TransferRecord& record);

    // Sends messageFor(record), if any.
    void jobEnded(const TransferRecord& record);
    void send(const Message& message);

private slots:
    // The service's signals: the user chose an action; a notification went.
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    void askCapabilities();
    void notify(const Message& message);
    void unavailable(const QString& why);

    QDBusConnection bus;
    // Owned through parent: shows a file in its folder.
    FileManager* files;
    enum class Capabilities { Unknown, Asked, Known };
    Capabilities capabilities = Capabilities::Unknown;
    bool takesActions = false;
    // Sent once the service has said what it takes.
    std::vector<Message> waiting;
    // The file of each notification that offers actions, by its id.
    std::map<uint, QString> shown;
    bool toldUnavailable = false;
};

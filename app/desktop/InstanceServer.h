#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <unordered_map>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One window per data folder. The first start holds a lock file in the data
// folder and listens on a local socket named after that folder; a later start
// hands its addresses to it over the socket instead of opening a second
// window. A lock left by a crashed window is taken over, with its socket.
//
// Message: each address as one UTF-8 line, then an empty line; the window
// answers "ok" once it has taken them. More addresses than one message
// holds go in several.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MaxMessageBytes = 1 << 20;
    static constexpr int MaxAddresses = 1000;
    // How long a client may take to send its whole message.
    static constexpr int ClientTimeoutMs = 5000;

    explicit InstanceServer(const QString& dataFolder, QObject* parent = nullptr);
    ~InstanceServer() override;
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    enum class Claim {
        // This process holds the data folder, and listens.
        Taken,
        // Another live process holds it.
        Held,
        // The lock cannot be made (an unwritable data folder): nobody may
        // be sure to hold it, so no window may open; failure() says why.
        Failed
    };
    Claim becomePrimary();
    QString failure() const { return why; }

    // Sends the addresses to the process that holds the data folder, in as
    // many messages as they need, and waits for its answers. Each part the
    // window took is removed from addresses, so that a retry sends only
    // the rest. True when all went (with none: the window was raised).
    // Blocks; safe from any thread. An address too long for any message is
    // dropped with a warning.
    bool handOver(QStringList& addresses, int timeoutMs) const;

    // A closing window takes nothing more: it stops listening, and clients
    // whose message it has not answered yet are cut off, to try again and
    // find the next window. A close the user cancels listens again.
    void setListening(bool on);
    // Messages taken before the window is ready to take addresses (a
    // message box at start-up runs the event loop) are answered at once,
    // and signalled, in order, from this call on.
    void deliver();

    QString socketPath() const { return socket; }

signals:
    // Every address of one message, in order; never empty.
    void addressesReceived(const QStringList& addresses);
    // Once per message, also one without addresses.
    void raiseRequested();

private:
    // The private folder for sockets: $XDG_RUNTIME_DIR, else /tmp/quillmoth-<uid>,
    // either only when it is a folder of this user's that no one else can
    // enter. Empty when there is none.
    static QString runtimeFolder();
    QString lockPath() const;
    void listen();
    void accept();
    void read(QLocalSocket* client);
    // Answers a client whose message was taken, or cuts one off.
    void finish(QLocalSocket* client, bool taken);
    void received(const QStringList& addresses);
    void cutOffPending();
    // One message of the first addresses that fit, and how many it holds.
    static QByteArray nextMessage(const QStringList& addresses, qsizetype& count);
    bool sendMessage(const QByteArray& message, int timeoutMs) const;

    QString folder;
    QString socket;
    QString why;
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QLocalServer> server;
    bool primary = false;
    bool delivering = false;
    std::unordered_map<QLocalSocket*, QByteArray> pending;
    // Taken before deliver(): each message's addresses.
    QList<QStringList> held;
};

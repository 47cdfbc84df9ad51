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
// answers "ok" once it has taken them.
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

    // True when this process holds the data folder (and listens); false when
    // another live process does. A lock that cannot be made at all (say, an
    // unwritable data folder) is warned about, and this process goes on.
    bool becomePrimary();
    // Sends the addresses to the process that holds the data folder and waits
    // for its answer. Blocks; safe from any thread. False when no holder
    // answered: none listens, it refused, or the time ran out.
    bool handOver(const QStringList& addresses, int timeoutMs) const;

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
    void accept();
    void read(QLocalSocket* client);
    // Answers a client whose message was taken, or cuts one off.
    void finish(QLocalSocket* client, bool taken);

    QString folder;
    QString socket;
    std::unique_ptr<QLockFile> lock;
    QLocalServer* server = nullptr;
    bool primary = false;
    std::unordered_map<QLocalSocket*, QByteArray> pending;
};

#include "InstanceServer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Acknowledgement = "ok\n";

// A folder only this user can enter, and not a link someone else planted.
bool isPrivateFolder(const QByteArray& path) {
    struct stat info;
    return !path.isEmpty() && lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

int remaining(const QDeadlineTimer& deadline) {
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

} // namespace

InstanceServer::InstanceServer(const QString& dataFolder, QObject* parent)
    : QObject(parent), folder(QDir(dataFolder).absolutePath()) {
    QDir().mkpath(folder);
    // One name for every spelling of the folder.
    QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = folder;
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString runtime = runtimeFolder();
    if (!runtime.isEmpty())
        socket = runtime + "/quillmoth-" + QString::fromLatin1(hash);
    lock = std::make_unique<QLockFile>(lockPath());
}

InstanceServer::~InstanceServer() {
    // The socket goes before the lock, so no later start reaches a closed window.
    for (const auto& entry : pending)
        QObject::disconnect(entry.first, nullptr, this, nullptr);
    pending.clear();
    delete server;
    server = nullptr;
}

QString InstanceServer::lockPath() const {
    return folder + "/quillmoth.lock";
}

QString InstanceServer::runtimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    const QByteArray own = "/tmp/quillmoth-" + QByteArray::number(geteuid());
    mkdir(own.constData(), 0700);
    return isPrivateFolder(own) ? QFile::decodeName(own) : QString();
}

bool InstanceServer::becomePrimary() {
    if (primary)
        return true;
    // A lock whose process is gone is removed by tryLock itself.
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            return false;
        qWarning("quillmoth: cannot lock %s; another window may use the same data folder",
                 qPrintable(lockPath()));
    }
    primary = true;
    if (socket.isEmpty()) {
        qWarning("quillmoth: no private runtime folder; later starts cannot reach this window");
        return true;
    }
    // Holding the lock makes any socket there a crashed window's.
    QLocalServer::removeServer(socket);
    server = new QLocalServer(this);
    connect(server, &QLocalServer::newConnection, this, &InstanceServer::accept);
    if (!server->listen(socket))
        qWarning("quillmoth: cannot listen on %s: %s", qPrintable(socket),
                 qPrintable(server->errorString()));
    return true;
}

bool InstanceServer::handOver(const QStringList& addresses, int timeoutMs) const {
    if (socket.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(remaining(deadline)))
        return false;
    QByteArray message;
    for (QString address : addresses) {
        address.replace('\n', ' ').replace('\r', ' ');
        if (!address.isEmpty())
            message += address.toUtf8() + '\n';
    }
    message += '\n';
    client.write(message);
    while (client.bytesToWrite() > 0)
        if (!client.waitForBytesWritten(remaining(deadline)))
            return false;
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < Acknowledgement.size()) {
        if (client.bytesAvailable() == 0 && !client.waitForReadyRead(remaining(deadline)))
            break;
        answer += client.read(Acknowledgement.size() - answer.size());
    }
    return answer == Acknowledgement;
}

void InstanceServer::accept() {
    while (QLocalSocket* client = server->nextPendingConnection()) {
        pending.emplace(client, QByteArray());
        connect(client, &QLocalSocket::readyRead, this, [this, client] { read(client); });
        connect(client, &QLocalSocket::disconnected, this,
                [this, client] { finish(client, false); });
        // A client that never finishes is cut off.
        QTimer::singleShot(ClientTimeoutMs, client, [client] {
            client->abort();
            client->deleteLater();
        });
        read(client);
    }
}

void InstanceServer::read(QLocalSocket* client) {
    const auto found = pending.find(client);
    if (found == pending.end())
        return;
    QByteArray& data = found->second;
    data += client->read(MaxMessageBytes + 1 - data.size());
    const qsizetype end = data.startsWith('\n') ? 0 : data.indexOf("\n\n");
    if (end < 0) {
        if (data.size() > MaxMessageBytes)
            finish(client, false);
        return;
    }
    const QList<QByteArray> lines = end == 0 ? QList<QByteArray>() : data.left(end).split('\n');
    if (lines.size() > MaxAddresses) {
        finish(client, false);
        return;
    }
    QStringList addresses;
    for (const QByteArray& line : lines)
        addresses << QString::fromUtf8(line);
    finish(client, true);
    if (!addresses.isEmpty())
        emit addressesReceived(addresses);
    emit raiseRequested();
}

void InstanceServer::finish(QLocalSocket* client, bool taken) {
    if (pending.erase(client) == 0)
        return;
    QObject::disconnect(client, nullptr, this, nullptr);
    if (!taken) {
        client->abort();
        client->deleteLater();
        return;
    }
    // The answer is written out before the connection closes.
    client->write(Acknowledgement);
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    client->disconnectFromServer();
    if (client->state() == QLocalSocket::UnconnectedState)
        client->deleteLater();
}

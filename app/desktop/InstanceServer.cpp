#include "app/desktop/InstanceServer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSysInfo>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// A lock that tryLock could not take although its holder on this machine is
// gone: it could not be removed, and cannot be replaced either.
bool heldByTheDead(const QLockFile& lock) {
    qint64 pid = 0;
    QString host;
    QString application;
    return lock.getLockInfo(&pid, &host, &application) && pid > 0 &&
           host == QSysInfo::machineHostName() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
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
    cutOffPending();
    server.reset();
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

InstanceServer::Claim InstanceServer::becomePrimary() {
    if (primary)
        return Claim::Taken;
    // A lock whose process is gone is removed by tryLock itself.
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError && !heldByTheDead(*lock))
            return Claim::Held;
        // Without the lock nothing tells this window from another one on the
        // same folder, whose socket it would take over.
        const QByteArray path = QFile::encodeName(folder);
        const int error = ::access(path.constData(), W_OK) != 0 ? errno : EACCES;
        why = tr("Quillmoth cannot start: the lock file %1 cannot be made (%2).")
                  .arg(lockPath(), QString::fromLocal8Bit(std::strerror(error)));
        return Claim::Failed;
    }
    primary = true;
    if (socket.isEmpty()) {
        qWarning("quillmoth: no private runtime folder; later starts cannot reach this window");
        return Claim::Taken;
    }
    listen();
    return Claim::Taken;
}

void InstanceServer::listen() {
    if (!server) {
        server = std::make_unique<QLocalServer>();
        connect(server.get(), &QLocalServer::newConnection, this, &InstanceServer::accept);
    }
    // Holding the lock makes any socket there a crashed window's.
    QLocalServer::removeServer(socket);
    if (!server->listen(socket))
        qWarning("quillmoth: cannot listen on %s: %s", qPrintable(socket),
                 qPrintable(server->errorString()));
}

void InstanceServer::setListening(bool on) {
    if (!primary || !server || on == server->isListening())
        return;
    if (on) {
        listen();
        return;
    }
    // Removes the socket too: a later start finds nobody, waits for the
    // lock and becomes the next window.
    server->close();
    cutOffPending();
}

void InstanceServer::cutOffPending() {
    const auto clients = std::exchange(pending, {});
    for (const auto& entry : clients) {
        QObject::disconnect(entry.first, nullptr, this, nullptr);
        entry.first->abort();
        entry.first->deleteLater();
    }
}

void InstanceServer::deliver() {
    if (delivering)
        return;
    delivering = true;
    const QList<QStringList> taken = std::exchange(held, {});
    for (const QStringList& addresses : taken)
        received(addresses);
}

void InstanceServer::received(const QStringList& addresses) {
    if (!delivering) {
        held << addresses;
        return;
    }
    if (!addresses.isEmpty())
        emit addressesReceived(addresses);
    emit raiseRequested();
}

QByteArray InstanceServer::nextMessage(const QStringList& addresses, qsizetype& count) {
    QByteArray message;
    count = 0;
    for (const QString& address : addresses) {
        const QByteArray line = address.toUtf8() + '\n';
        // One byte more for the empty line that ends the message.
        if (count == MaxAddresses || message.size() + line.size() + 1 > MaxMessageBytes)
            break;
        message += line;
        ++count;
    }
    return message + '\n';
}

bool InstanceServer::handOver(QStringList& addresses, int timeoutMs) const {
    if (socket.isEmpty())
        return false;
    // A line break would split an address, an empty one end the message.
    for (QString& address : addresses)
        address.replace('\n', ' ').replace('\r', ' ');
    addresses.removeAll(QString());
    const qsizetype before = addresses.size();
    addresses.removeIf(
        [](const QString& address) { return address.toUtf8().size() + 2 > MaxMessageBytes; });
    if (addresses.size() < before)
        qWarning("quillmoth: %lld addresses longer than %lld bytes are skipped",
                 static_cast<long long>(before - addresses.size()),
                 static_cast<long long>(MaxMessageBytes));
    const QDeadlineTimer deadline(timeoutMs);
    do {
        qsizetype count = 0;
        if (!sendMessage(nextMessage(addresses, count), remaining(deadline)))
            return false;
        addresses.remove(0, count);
    } while (!addresses.isEmpty());
    return true;
}

bool InstanceServer::sendMessage(const QByteArray& message, int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(remaining(deadline)))
        return false;
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
    received(addresses);
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
    // The answer is on its way before anything else can happen: a window
    // that ends right after must not leave a taken message unanswered (the
    // client would send it again to the next window).
    client->write(Acknowledgement);
    client->flush();
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    client->disconnectFromServer();
    if (client->state() == QLocalSocket::UnconnectedState)
        client->deleteLater();
}

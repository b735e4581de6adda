#include "single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr char openCommand[] = "open\n";
constexpr int connectMilliseconds = 1000;
// The running process may be between taking the lock and listening.
constexpr int connectAttempts = 5;

// The socket of the program running for `dataRoot`: in the user's runtime folder, named after
// the folder's canonical path so that each data folder has its own.
QString socketPathFor(const QString& dataRoot) {
    const QString canonical = QFileInfo(dataRoot).canonicalFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + "/nattervane-" + QString::fromLatin1(digest) + ".socket";
}

} // namespace

SingleInstance::SingleInstance(const QString& dataRoot, QObject* parent)
    : QObject(parent), lock_((QDir().mkpath(dataRoot), dataRoot + "/nattervane.lock")),
      socketPath_(socketPathFor(dataRoot)) {
    // A lock is stale only when its process is gone from this machine, never by its age: the
    // running program does not touch its lock file again.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::claim() {
    if (lock_.tryLock(0)) {
        listen();
        return true;
    }
    askRunning();
    return false;
}

void SingleInstance::listen() {
    // Holding the lock, any socket left at the path belongs to a process that is gone.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath_);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains("open")) emit openRequested();
                peer->disconnectFromServer();
            });
        }
    });
}

bool SingleInstance::askRunning() const {
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(connectMilliseconds)) {
            socket.write(openCommand);
            return socket.waitForBytesWritten(connectMilliseconds);
        }
        QThread::msleep(200);
    }
    return false;
}

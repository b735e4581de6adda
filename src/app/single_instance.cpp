// SPDX-License-Identifier: GPL-3.0-or-later
#include "single_instance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace {

constexpr char openCommand[] = "open\n";
constexpr int connectMilliseconds = 1000;
// The running process may be between taking the lock and listening.
constexpr int connectAttempts = 5;
// Longer than any rule edit's line, whose target and program path are bounded.
constexpr qint64 longestLine = 64 * 1024;

} // namespace

SingleInstance::SingleInstance(const Paths& paths, QObject* parent)
    : QObject(parent), paths_(paths), lock_((QDir().mkpath(QString::fromStdString(paths.root)),
                                             QString::fromStdString(paths.lockFile()))),
      socketPath_(QString::fromStdString(paths.instanceSocket())) {
    // A lock is stale only when its process is gone from this machine, never by its age: the
    // running program does not touch its lock file again.
    lock_.setStaleLockTime(0);
}

Result<bool> SingleInstance::claim() {
    if (lock_.tryLock(0)) {
        listen();
        return true;
    }
    if (lock_.error() != QLockFile::LockFailedError)
        return Error{
            0, "cannot take the lock " + paths_.lockFile() + " of the data folder" +
                   (lock_.error() == QLockFile::PermissionError ? ": permission denied" : "")};
    askRunning();
    return false;
}

void SingleInstance::listen() {
    if (Result<void> folder = paths_.prepareSocketFolder(); !folder) {
        qWarning("nattervane: no later start or command can reach this one: %s",
                 folder.error().message.c_str());
        return;
    }
    // Holding the lock, any socket left at the path belongs to a process that is gone.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath_);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (!peerIsThisUser(peer->socketDescriptor())) {
                peer->abort();
                continue;
            }
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] { answerAll(peer); });
        }
    });
}

bool SingleInstance::peerIsThisUser(qintptr fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           peer.uid == geteuid();
}

void SingleInstance::answerAll(QLocalSocket* peer) {
    while (peer->canReadLine()) {
        peer->write(answer(peer->readLine(longestLine)));
        peer->flush();
    }
    // A line longer than any request is let go of, not buffered without end.
    if (peer->bytesAvailable() > longestLine) peer->abort();
}

QByteArray SingleInstance::answer(const QByteArray& line) {
    if (line.startsWith("open")) {
        emit openRequested();
        return "ok\n";
    }
    const QByteArray request = line.trimmed();
    if ((request == "export on" || request == "export off") && exportHandler_) {
        return reply(exportHandler_(request == "export on"));
    }
    std::optional<RuleEdit> edit = RuleEdit::read(line.toStdString());
    if (!edit || !editHandler_) return "error: not a request this program answers\n";
    return reply(editHandler_(*edit));
}

QByteArray SingleInstance::reply(const Result<void>& made) {
    return made ? "ok\n" : QByteArray("error: ") + made.error().message.c_str() + "\n";
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

#include "shell/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <utility>

namespace korvelce {

namespace {

constexpr int kConnectTimeoutMs = 500;
constexpr int kRetryMs = 20;

// One request is one line: "raise", or "open " and the file's path in UTF-8, percent-encoded
// so that no path can break the line.
const QByteArray kRaise = QByteArrayLiteral("raise");
const QByteArray kOpen = QByteArrayLiteral("open ");

}  // namespace

SingleInstance::SingleInstance() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    const QString base = folder + QStringLiteral("/korvelce-%1").arg(::getuid());
    socketPath_ = base + QStringLiteral(".socket");
    lockPath_ = base + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // The lock is never stale while its process lives, however long it runs.
    lock_->setStaleLockTime(0);
    delivery_.setSingleShot(true);
    delivery_.setInterval(0);
    connect(&delivery_, &QTimer::timeout, this, &SingleInstance::deliverWaiting);
}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock: whoever takes the lock next finds no socket of ours.
    server_.close();
}

SingleInstance::Claim SingleInstance::claim(const QString& fileToOpen, int waitMs) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (lock_->tryLock(0)) {
            // Only the lock's holder listens: a socket still there was left by a copy that
            // was killed, and answers nobody.
            QLocalServer::removeServer(socketPath_);
            listen();
            return Claim::kOwner;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            // No lock can be made here (a runtime folder we cannot write): without the guard,
            // the socket alone decides, and a socket that exists is never removed.
            if (handOver(fileToOpen)) return Claim::kHandedOver;
            listen();
            return Claim::kOwner;
        }
        if (handOver(fileToOpen)) return Claim::kHandedOver;
        if (waited.elapsed() >= waitMs) return Claim::kNoAnswer;
        QThread::msleep(kRetryMs);
    }
}

bool SingleInstance::handOver(const QString& fileToOpen) const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    const QByteArray message =
        (fileToOpen.isEmpty() ? kRaise : kOpen + fileToOpen.toUtf8().toPercentEncoding()) + '\n';
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kConnectTimeoutMs)) return false;
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::listen() {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath_)) return;
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { readRequests(socket); });
            readRequests(socket);
        }
    });
}

void SingleInstance::readRequests(QLocalSocket* socket) {
    bool received = false;
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine().chopped(1);
        Request request;
        if (line.startsWith(kOpen))
            request.file =
                QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(kOpen.size())));
        else if (line != kRaise)
            continue;  // not ours
        waiting_.append(request);
        received = true;
    }
    // The handler may ask the user (a nested event loop): it runs from the event loop, never
    // inside the socket's signal.
    if (received && handler_) delivery_.start();
}

void SingleInstance::deliverWaiting() {
    if (!handler_) return;
    const QList<Request> waiting = std::exchange(waiting_, {});
    for (const Request& request : waiting)
        handler_(request);
}

void SingleInstance::setRequestHandler(std::function<void(const Request&)> handler) {
    handler_ = std::move(handler);
    if (handler_ && !waiting_.isEmpty()) delivery_.start();
}

void SingleInstance::stopListening() {
    server_.close();
}

}  // namespace korvelce

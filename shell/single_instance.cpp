#include "shell/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace korvelce {

namespace {

constexpr int kConnectTimeoutMs = 500;
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

}  // namespace

SingleInstance::SingleInstance() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    socketPath_ = folder + QStringLiteral("/korvelce-%1.socket").arg(::getuid());
}

bool SingleInstance::raiseOtherInstance() {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen(std::function<void()> raise) {
    raise_ = std::move(raise);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left behind by a copy that crashed answers nobody: take its place.
    if (!server_.listen(socketPath_)) {
        QLocalServer::removeServer(socketPath_);
        if (!server_.listen(socketPath_)) return false;
    }
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (raise_) raise_();
        }
    });
    return true;
}

}  // namespace korvelce

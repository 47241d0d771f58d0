#include "SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace veilcraft {

namespace {

constexpr int kTimeoutMs = 1000;

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName()
{
    return QString("veilcraft-%1").arg(::getuid());
}

bool SingleInstance::handOver(const QString& argument)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(argument.toUtf8() + '\n');
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kTimeoutMs);
    return true;
}

bool SingleInstance::listen()
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName())) {
        // A socket left by a program that crashed: nobody answered on it.
        QLocalServer::removeServer(serverName());
        if (!server_->listen(serverName()))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            // The whole line may have arrived before the connection was taken.
            const auto readArgument = [this, socket] {
                if (socket->canReadLine())
                    emit argumentReceived(QString::fromUtf8(socket->readLine()).chopped(1));
            };
            connect(socket, &QLocalSocket::readyRead, this, readArgument);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            readArgument();
        }
    });
    return true;
}

}  // namespace veilcraft

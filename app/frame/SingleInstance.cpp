#include "SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <memory>
#include <unistd.h>

namespace veilcraft {

namespace {

constexpr int kTimeoutMs = 1000;
// Above the system's limit for a whole command line (ARG_MAX, 2 MiB here).
constexpr qsizetype kMaxMessage = 4 * 1024 * 1024;

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName()
{
    return QString("veilcraft-%1").arg(::getuid());
}

QByteArray SingleInstance::encode(const QList<QByteArray>& arguments)
{
    QByteArray message = QByteArray::number(arguments.size()) + '\n';
    for (const QByteArray& argument : arguments)
        message += argument + '\0';
    return message;
}

QList<QByteArray> SingleInstance::decode(const QByteArray& message, bool& complete)
{
    complete = false;
    const qsizetype header = message.indexOf('\n');
    if (header <= 0)
        return {};
    bool number = false;
    const qsizetype count = message.left(header).toLongLong(&number);
    if (!number || count < 0 || count > message.size())
        return {};
    QList<QByteArray> arguments;
    qsizetype start = header + 1;
    while (arguments.size() < count) {
        const qsizetype end = message.indexOf('\0', start);
        if (end < 0)
            return {};
        arguments << message.mid(start, end - start);
        start = end + 1;
    }
    complete = start == message.size();
    return complete ? arguments : QList<QByteArray>{};
}

bool SingleInstance::handOver(const QList<QByteArray>& arguments)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(encode(arguments));
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
            // The whole message may have arrived before the connection was
            // taken; it is taken once, when its last argument is in.
            auto message = std::make_shared<QByteArray>();
            const auto readMessage = [this, socket, message] {
                *message += socket->readAll();
                if (message->size() > kMaxMessage) {
                    socket->abort();
                    return;
                }
                bool complete = false;
                const QList<QByteArray> arguments = decode(*message, complete);
                if (!complete)
                    return;
                socket->disconnectFromServer();
                emit argumentsReceived(arguments);
            };
            connect(socket, &QLocalSocket::readyRead, this, readMessage);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            readMessage();
        }
    });
    return true;
}

}  // namespace veilcraft

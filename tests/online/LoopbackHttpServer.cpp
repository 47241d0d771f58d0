#include "LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace veilcraft::test {

namespace {

// Headers that do not end within this are refused: a client under test sends
// a few hundred bytes, and a runaway one must not grow the buffer forever.
constexpr qsizetype kMaxHeadBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    static const QHash<int, QByteArray> phrases = {
        {200, "OK"},
        {204, "No Content"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {307, "Temporary Redirect"},
        {308, "Permanent Redirect"},
        {400, "Bad Request"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {500, "Internal Server Error"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
    };
    return phrases.value(status, "Status");
}

bool hasHeader(const LoopbackHttpServer::Response& response, QByteArrayView name)
{
    for (const auto& header : response.headers)
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool connected(const QTcpSocket* socket)
{
    return socket->state() == QAbstractSocket::ConnectedState;
}

// Writes `body` from `offset` on, one piece of `size` bytes per event-loop
// turn, and closes the connection after the last one.
void sendPieces(QTcpSocket* socket, const QByteArray& body, qsizetype offset, qsizetype size)
{
    if (!connected(socket))
        return;
    socket->write(body.mid(offset, size));
    if (offset + size >= body.size()) {
        socket->disconnectFromHost();
        return;
    }
    QTimer::singleShot(0, socket, [socket, body, offset, size] { sendPieces(socket, body, offset + size, size); });
}

void send(QTcpSocket* socket, const LoopbackHttpServer::Response& response)
{
    // The client may have given up during the delay.
    if (!connected(socket))
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    // Extra headers of the same names replace these, e.g. a Content-Length that lies.
    if (!hasHeader(response, "Content-Length"))
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (!hasHeader(response, "Connection"))
        head += "Connection: close\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n");
    if (response.stall)
        return;
    if (response.chunkBytes > 0) {
        QTimer::singleShot(0, socket, [socket, body = response.body, size = response.chunkBytes] {
            sendPieces(socket, body, 0, size);
        });
        return;
    }
    socket->write(response.body);
    // Closes once the data is written: one response per connection.
    socket->disconnectFromHost();
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this))
{
    if (!server_->listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("loopback HTTP server: " + server_->errorString().toStdString());
    connect(server_, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
}

void LoopbackHttpServer::serve(const QString& path, const Response& response)
{
    responses_.insert(path, response);
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server_->serverPort());
    return QUrl(path.startsWith(u'/') ? base + path : base + u'/' + path);
}

int LoopbackHttpServer::requests(const QString& path) const
{
    return requests_.value(path);
}

quint16 LoopbackHttpServer::closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("loopback HTTP server: " + probe.errorString().toStdString());
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // No Nagle: a piece of a chunked body leaves without waiting for the
        // acknowledgement of the one before.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // The request may come in pieces: it is answered once its headers are
        // complete, and whatever follows them (a body) is read and dropped.
        auto received = std::make_shared<QByteArray>();
        auto answered = std::make_shared<bool>(false);
        const auto readRequest = [this, socket, received, answered] {
            const QByteArray data = socket->readAll();
            if (*answered)
                return;
            received->append(data);
            const qsizetype headEnd = received->indexOf("\r\n\r\n");
            if (headEnd < 0 && received->size() <= kMaxHeadBytes)
                return;
            *answered = true;
            answer(socket, headEnd < 0 ? QByteArray() : received->left(received->indexOf("\r\n")));
            received->clear();
        };
        connect(socket, &QTcpSocket::readyRead, this, readRequest);
        // Data may have arrived before the connection was taken.
        readRequest();
    }
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const QByteArray& requestLine)
{
    Response response;
    response.status = 400;
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() == 3 && parts[1].startsWith('/') && parts[2].startsWith("HTTP/1.")) {
        // Served paths are matched with the query first, then without it.
        const qsizetype query = parts[1].indexOf('?');
        const QString target = QUrl::fromPercentEncoding(parts[1]);
        const QString path = QUrl::fromPercentEncoding(query < 0 ? parts[1] : parts[1].left(query));
        ++requests_[path];
        if (target != path)
            ++requests_[target];
        if (parts[0] != "GET") {
            response.status = 405;
            response.headers = {{"Allow", "GET"}};
        } else if (responses_.contains(target)) {
            response = responses_.value(target);
        } else if (responses_.contains(path)) {
            response = responses_.value(path);
        } else {
            response.status = 404;
        }
    }
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, [socket, response] { send(socket, response); });
    else
        send(socket, response);
}

}  // namespace veilcraft::test

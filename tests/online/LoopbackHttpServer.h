#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

namespace veilcraft::test {

// A scripted HTTP/1.1 server on 127.0.0.1 for tests: answers each request
// by its path from the responses set with serve(), 404 for others. It reads
// the request line and headers in whatever pieces they come and ignores
// bodies; methods other than GET get 405, malformed requests 400. Every
// response closes its connection. It lives on the thread that made it and
// works while that thread runs an event loop (QTest::qWaitFor, QEventLoop).
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    // Every member has an initializer so that designated initializers may
    // leave any out without -Wmissing-field-initializers.
    struct Response {
        int status = 200;
        QByteArray body{};
        // Extra headers, e.g. {"Location", "/next"}. One named Content-Length
        // or Connection replaces the server's own (a length that lies).
        QList<QPair<QByteArray, QByteArray>> headers{};
        // Wait before answering.
        int delayMs = 0;
        // Send the status line and headers (with a Content-Length of
        // body.size()) and then nothing more, keeping the connection open.
        bool stall = false;
        // When > 0, send the body in pieces of this size, one per event-loop
        // turn (to exercise progress).
        int chunkBytes = 0;
    };

    explicit LoopbackHttpServer(QObject* parent = nullptr);  // listens on an ephemeral port at once

    void serve(const QString& path, const Response& response);
    [[nodiscard]] QUrl url(const QString& path = "/") const;  // http://127.0.0.1:<port><path>
    // How many requests reached `path`. A request with a query counts for
    // its path and for the path with the query; serve() may name either, the
    // one with the query is preferred.
    [[nodiscard]] int requests(const QString& path) const;

    // A port on 127.0.0.1 where nothing listens (bind a QTcpServer, note its port, close it).
    [[nodiscard]] static quint16 closedPort();

private:
    void accept();
    void answer(QTcpSocket* socket, const QByteArray& requestLine);

    QTcpServer* server_ = nullptr;
    QHash<QString, Response> responses_;
    QHash<QString, int> requests_;
};

}  // namespace veilcraft::test

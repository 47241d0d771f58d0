#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QNetworkReply;
class QUrl;

namespace veilcraft {

// Fetches the release notes without blocking, reporting the transfer as the
// update dialog shows it: the answer begins, a complete answer arrived, the
// transfer ended. Only a successful answer (HTTP 200) is release
// information. The body is kept to kBodyLimit bytes; at most five redirects
// are followed, never from https to http; TLS errors end the transfer, as
// does a transfer that makes no progress for transferTimeout() ms.
class ReleaseFetch : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kBodyLimit = 64 * 1024;
    static constexpr int kMaximumRedirects = 5;

    explicit ReleaseFetch(QObject* parent = nullptr);
    ~ReleaseFetch() override;

    // Starts fetching `url`, ending a fetch still running without a report.
    void start(const QUrl& url);
    // Ends a running fetch; nothing is reported for it.
    void abort();
    [[nodiscard]] bool running() const { return !reply_.isNull(); }

    [[nodiscard]] int transferTimeout() const { return timeoutMs_; }
    void setTransferTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

signals:
    void responseBegins();
    void responseReceived();
    // Always the last report of a fetch. `notes`: the body of a successful
    // answer (empty otherwise), cut at kBodyLimit when `cut`; `reason`: why
    // there are no notes, empty when the server answered with them.
    void transferEnded(const QByteArray& notes, bool cut, const QString& reason);

private:
    void readBody();
    void finish();
    [[nodiscard]] int status() const;

    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    QTimer stalled_;
    QByteArray body_;
    int timeoutMs_ = 15000;
    bool began_ = false;
    bool cut_ = false;
    bool timedOut_ = false;
};

}  // namespace veilcraft

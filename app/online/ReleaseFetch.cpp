#include "ReleaseFetch.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace veilcraft {

ReleaseFetch::ReleaseFetch(QObject* parent) : QObject(parent)
{
    setObjectName("InetCheck");
    stalled_.setSingleShot(true);
    connect(&stalled_, &QTimer::timeout, this, [this] {
        timedOut_ = true;
        if (reply_)
            reply_->abort();
    });
}

ReleaseFetch::~ReleaseFetch()
{
    abort();
}

void ReleaseFetch::start(const QUrl& url)
{
    abort();
    body_.clear();
    began_ = cut_ = timedOut_ = false;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    reply_ = manager_.get(request);
    // Every sign of life restarts the clock: only a transfer that stands
    // still is given up.
    const auto alive = [this] { stalled_.start(timeoutMs_); };
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this, alive] {
        alive();
        if (!began_ && status() != 0) {
            began_ = true;
            emit responseBegins();
        }
    });
    connect(reply_, &QNetworkReply::readyRead, this, [this, alive] {
        alive();
        readBody();
    });
    connect(reply_, &QNetworkReply::finished, this, &ReleaseFetch::finish);
    alive();
}

void ReleaseFetch::abort()
{
    stalled_.stop();
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_.clear();
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

int ReleaseFetch::status() const
{
    return reply_ ? reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

void ReleaseFetch::readBody()
{
    // Error pages are not release notes: their bodies are dropped.
    if (status() != 200) {
        reply_->readAll();
        return;
    }
    body_ += reply_->read(kBodyLimit - body_.size());
    if (reply_->bytesAvailable() > 0) {
        cut_ = true;
        reply_->abort();
    }
}

void ReleaseFetch::finish()
{
    stalled_.stop();
    QNetworkReply* reply = reply_;
    reply_.clear();
    reply->deleteLater();
    const int code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString reason;
    const QNetworkReply::NetworkError error = reply->error();
    if (timedOut_)
        reason = QString("the server did not answer for %1 s").arg(timeoutMs_ / 1000.0);
    else if (error == QNetworkReply::TooManyRedirectsError || error == QNetworkReply::InsecureRedirectError)
        reason = reply->errorString();
    else if (code != 0 && code != 200)
        reason = QString("the server answered %1 %2")
                     .arg(code)
                     .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                     .trimmed();
    else if (error != QNetworkReply::NoError && !cut_)
        reason = reply->errorString();
    if (!reason.isEmpty()) {
        emit transferEnded({}, false, reason);
        return;
    }
    emit responseReceived();
    emit transferEnded(body_, cut_, {});
}

}  // namespace veilcraft

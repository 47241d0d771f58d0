#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace veilcraft::test {

// Takes the pages of one scheme that the program asks the desktop to open,
// for its lifetime, instead of a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(QString scheme) : scheme_(std::move(scheme))
    {
        QDesktopServices::setUrlHandler(scheme_, this, "open");
    }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(scheme_); }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }

private:
    QString scheme_;
};

}  // namespace veilcraft::test

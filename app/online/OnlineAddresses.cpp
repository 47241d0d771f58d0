#include "OnlineAddresses.h"

#include <QtGlobal>

namespace veilcraft::online {

namespace {

QUrl address(const char* variable, const char* builtIn)
{
    const QUrl chosen(qEnvironmentVariable(variable), QUrl::StrictMode);
    if (chosen.isValid() && (chosen.scheme() == "https" || chosen.scheme() == "http") && !chosen.host().isEmpty())
        return chosen;
    return QUrl(QString::fromUtf8(builtIn));
}

// The address with `path` below its own path, whatever slashes either has.
QUrl below(const QUrl& base, const QString& path)
{
    QUrl page = base;
    QString basePath = base.path();
    while (basePath.endsWith('/'))
        basePath.chop(1);
    page.setPath(basePath + (path.startsWith('/') ? path : "/" + path));
    return page;
}

}  // namespace

QUrl siteUrl()
{
    return address("VEILCRAFT_SITE_URL", VEILCRAFT_SITE_URL);
}

QUrl updateServerUrl()
{
    return address("VEILCRAFT_UPDATE_URL", VEILCRAFT_UPDATE_URL);
}

QUrl sitePage(const QString& path)
{
    return below(siteUrl(), path);
}

QUrl releaseFile()
{
    return below(updateServerUrl(), "/update.txt");
}

}  // namespace veilcraft::online

#pragma once

#include <QString>
#include <QUrl>

namespace veilcraft::online {

// The maker's web site and update server. Built in from the CMake cache
// variables VEILCRAFT_SITE_URL and VEILCRAFT_UPDATE_URL; packagers and tests
// set the environment variables of the same names to use others. A value
// that is not an absolute http or https address is ignored.
[[nodiscard]] QUrl siteUrl();
[[nodiscard]] QUrl updateServerUrl();

// A page of the site: `path` ("/faq.html", or "/" for its root) below the
// site's address.
[[nodiscard]] QUrl sitePage(const QString& path);
// The release notes on the update server.
[[nodiscard]] QUrl releaseFile();

}  // namespace veilcraft::online

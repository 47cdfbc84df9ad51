#pragma once

#include <QUrl>

// A web address: http or https (either case), with a host. Only such an
// address is offered for download or taken from a paste or drop.
inline bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

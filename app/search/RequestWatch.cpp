#include "RequestWatch.h"

#include <QStringList>

namespace {

// Extensions of whole media and of manifests; a stream's parts (.ts, .m4s)
// are left out.
bool videoLike(const QString& path) {
    static const QStringList extensions = {
        QStringLiteral(".m3u8"), QStringLiteral(".mpd"),  QStringLiteral(".mp4"),
        QStringLiteral(".m4v"),  QStringLiteral(".webm"), QStringLiteral(".mkv"),
        QStringLiteral(".mov"),  QStringLiteral(".flv"),  QStringLiteral(".m4a"),
        QStringLiteral(".mp3"),  QStringLiteral(".ogg"),  QStringLiteral(".ogv")};
    for (const QString& extension : extensions)
        if (path.endsWith(extension, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

void RequestWatch::interceptRequest(QWebEngineUrlRequestInfo& info) {
    // Kept cheap: it holds the request up until it returns.
    if (worthChecking(info.requestUrl(), info.resourceType()))
        emit mayBeVideo(info.requestUrl());
}

bool RequestWatch::worthChecking(const QUrl& address, QWebEngineUrlRequestInfo::ResourceType type) {
    const QString scheme = address.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    const QString path = address.path();
    if (type == QWebEngineUrlRequestInfo::ResourceTypeMedia)
        return !path.endsWith(QLatin1String(".ts"), Qt::CaseInsensitive) &&
               !path.endsWith(QLatin1String(".m4s"), Qt::CaseInsensitive);
    return type == QWebEngineUrlRequestInfo::ResourceTypeXhr && videoLike(path);
}

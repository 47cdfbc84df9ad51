#include "RequestWatch.h"

#include "MediaFormat.h"
#include "Text.h"
#include "WebAddress.h"

void RequestWatch::interceptRequest(QWebEngineUrlRequestInfo& info) {
    // Kept cheap: it holds the request up until it returns.
    if (worthChecking(info.requestUrl(), info.resourceType()))
        emit mayBeVideo(info.requestUrl());
}

bool RequestWatch::worthChecking(const QUrl& address, QWebEngineUrlRequestInfo::ResourceType type) {
    if (!isWebAddress(address))
        return false;
    const MediaFormat format = MediaFormat::ofAddress(narrow(address.path(QUrl::FullyEncoded)));
    if (type == QWebEngineUrlRequestInfo::ResourceTypeMedia)
        return format.kind != MediaFormat::Kind::Part &&
               format.kind != MediaFormat::Kind::Subtitles;
    return type == QWebEngineUrlRequestInfo::ResourceTypeXhr &&
           (format.whole() || format.manifest());
}

#include "app/search/RequestWatch.h"

#include "base/MediaFormat.h"
#include "toolkit/Text.h"
#include "toolkit/WebAddress.h"

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

NetworkSpace RequestWatch::reachOf(const QUrl& page) {
    return AddressSpace::ofHost(narrow(page.host(QUrl::FullyEncoded)))
        .value_or(NetworkSpace::Public);
}

bool RequestWatch::mayReach(const QUrl& page, const QUrl& address) {
    const auto space = AddressSpace::ofHost(narrow(address.host(QUrl::FullyEncoded)));
    return !space || AddressSpace::reaches(reachOf(page), *space);
}

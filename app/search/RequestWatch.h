#pragma once

#include "http/AddressSpace.h"

#include <QUrl>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

// Sees the requests a page makes for media and by script (XHR, fetch) and
// tells of those that may be a video: media requests, and script requests
// whose address names a manifest or whole media (MediaFormat; only a hint,
// checked later). Changes and blocks nothing. Emits on whatever thread the engine
// calls it on; connect with a queued or automatic connection.
class RequestWatch : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a request of type for address may be a video worth a check:
    // http(s) only (a blob: is never an address), never a part of a stream
    // or subtitles.
    static bool worthChecking(const QUrl& address, QWebEngineUrlRequestInfo::ResourceType type);

    // The most private space the checks of page's requests may reach, as
    // a browser's private-network rule has it: the page's own. A page
    // named by anything but an address or localhost is public: a lookup
    // now need not say where it was loaded from.
    static NetworkSpace reachOf(const QUrl& page);
    // Whether a check of address for page is allowed as far as its host
    // says; one by name is looked at again where it connects.
    static bool mayReach(const QUrl& page, const QUrl& address);

signals:
    void mayBeVideo(const QUrl& address);
};

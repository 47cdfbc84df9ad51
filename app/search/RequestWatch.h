#pragma once

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

signals:
    void mayBeVideo(const QUrl& address);
};

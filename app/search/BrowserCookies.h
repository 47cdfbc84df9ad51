#pragma once

#include <QNetworkCookie>
#include <QObject>

#include <map>
#include <string>
#include <tuple>
#include <vector>

class QWebEngineCookieStore;

// The Search pane's cookies, mirrored in memory from its profile's cookie
// store, so that a download sends what the browser would: the cookies for
// its page's host, in the Netscape cookie file's line form libcurl reads.
// Never written anywhere. Window thread only.
class BrowserCookies : public QObject {
    Q_OBJECT
public:
    explicit BrowserCookies(QObject* parent = nullptr);

    // Follows store from now on and asks it for every cookie it holds;
    // settled() once they have stopped coming in (or after maxWait).
    void follow(QWebEngineCookieStore* store);

    void add(const QNetworkCookie& cookie);
    void remove(const QNetworkCookie& cookie);

    // The cookies a request to host would carry (domain-matched; host-only
    // ones for that host alone), one Netscape line each.
    std::vector<std::string> linesFor(const std::string& host) const;

    // How long the profile's cookies may take to load, and the quiet that
    // says they have.
    static constexpr int maxWaitMs = 2000;
    static constexpr int quietMs = 300;

signals:
    // Once: the profile's stored cookies have been loaded, or the wait is over.
    void settled();

private:
    using Key = std::tuple<QString, QString, QByteArray>; // domain, path, name
    std::map<Key, QNetworkCookie> cookies;
    class QTimer* quiet = nullptr;
    bool hasSettled = false;
};

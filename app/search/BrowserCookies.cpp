#include "app/search/BrowserCookies.h"

#include <QDateTime>
#include <QTimer>
#include <QWebEngineCookieStore>

namespace {

// Host-only cookies keep their host as domain; domain cookies begin with a dot.
bool matches(const QNetworkCookie& cookie, const QString& host) {
    QString domain = cookie.domain();
    if (!domain.startsWith(QLatin1Char('.')))
        return domain.compare(host, Qt::CaseInsensitive) == 0;
    domain = domain.mid(1);
    return host.compare(domain, Qt::CaseInsensitive) == 0 ||
           host.endsWith(QLatin1Char('.') + domain, Qt::CaseInsensitive);
}

// Blanks and control characters would break the line's fields.
bool printable(const QByteArray& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}

} // namespace

BrowserCookies::BrowserCookies(QObject* parent) : QObject(parent) {}

void BrowserCookies::follow(QWebEngineCookieStore* store) {
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &BrowserCookies::add);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &BrowserCookies::remove);
    // The store has no "loaded" signal: its stored cookies arrive in a burst
    // soon after the profile opens; a quiet spell after them ends the wait.
    quiet = new QTimer(this); // owned by this
    quiet->setSingleShot(true);
    quiet->setInterval(quietMs);
    connect(quiet, &QTimer::timeout, this, [this] {
        if (!std::exchange(hasSettled, true))
            emit settled();
    });
    QTimer::singleShot(maxWaitMs, this, [this] {
        if (!std::exchange(hasSettled, true))
            emit settled();
    });
    quiet->start();
    store->loadAllCookies();
}

void BrowserCookies::add(const QNetworkCookie& cookie) {
    cookies[{cookie.domain().toLower(), cookie.path(), cookie.name()}] = cookie;
    if (quiet && !hasSettled)
        quiet->start();
}

void BrowserCookies::remove(const QNetworkCookie& cookie) {
    cookies.erase({cookie.domain().toLower(), cookie.path(), cookie.name()});
}

std::vector<std::string> BrowserCookies::linesFor(const std::string& host) const {
    const QString wanted = QString::fromStdString(host);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::vector<std::string> lines;
    for (const auto& [key, cookie] : cookies) {
        if (!matches(cookie, wanted) || !printable(cookie.name()) || !printable(cookie.value()))
            continue;
        // 0: a session cookie, which libcurl keeps for the job.
        const qint64 expires =
            cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
        if (!cookie.isSessionCookie() && expires <= now)
            continue;
        const bool domainWide = cookie.domain().startsWith(QLatin1Char('.'));
        const QString path = cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path();
        QByteArray line = cookie.isHttpOnly() ? "#HttpOnly_" : "";
        line += cookie.domain().toUtf8() + '\t' + (domainWide ? "TRUE" : "FALSE") + '\t' +
                path.toUtf8() + '\t' + (cookie.isSecure() ? "TRUE" : "FALSE") + '\t' +
                QByteArray::number(expires) + '\t' + cookie.name() + '\t' + cookie.value();
        lines.push_back(line.toStdString());
    }
    return lines;
}

#include "app/search/SearchProfile.h"

#include "app/desktop/Translations.h"
#include "http/FetchBounds.h"

#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

SearchProfile::SearchProfile(const QString& storageFolder, QObject* parent)
    : QObject(parent), webProfile(std::make_unique<QWebEngineProfile>(QStringLiteral("search"))),
      mirror(new BrowserCookies(this)) {
    webProfile->setPersistentStoragePath(storageFolder);
    webProfile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    // Sites answer in the window's language.
    webProfile->setHttpAcceptLanguage(Translations::acceptLanguage());
    connect(mirror, &BrowserCookies::settled, this, &SearchProfile::settled);
    mirror->follow(webProfile->cookieStore());
}

SearchProfile::~SearchProfile() = default;

void SearchProfile::identify(const std::string& pageUrl, FetchBounds& bounds) const {
    bounds.userAgent = webProfile->httpUserAgent().toStdString();
    const QUrl page(QString::fromStdString(pageUrl));
    bounds.cookies = mirror->linesFor(page.host(QUrl::FullyEncoded).toStdString());
}

#pragma once

#include "toolkit/DesktopLaunch.h"

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

// Takes the addresses of one scheme that the program hands to the desktop
// (DesktopLaunch, or QDesktopServices::openUrl) for this object's life,
// instead of a browser or file manager opening them; each counts as opened.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(const QString& scheme) : scheme(scheme) {
        QDesktopServices::setUrlHandler(scheme, this, "open");
        previous = DesktopLaunch::launcher();
        DesktopLaunch::setLauncher([this](const QUrl& url, std::function<void(bool)> done) {
            if (url.scheme() != this->scheme) {
                previous(url, std::move(done));
                return;
            }
            open(url);
            done(true);
        });
    }
    ~UrlCatcher() override {
        DesktopLaunch::setLauncher(previous);
        QDesktopServices::unsetUrlHandler(scheme);
    }
    UrlCatcher(const UrlCatcher&) = delete;
    UrlCatcher& operator=(const UrlCatcher&) = delete;

    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }

private:
    QString scheme;
    DesktopLaunch::Launcher previous;
};

#include "toolkit/BrowserPane.h"

#include "toolkit/WebAddress.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include <cstdlib>
#include <string>
#include <unistd.h>

BrowserPane::BrowserPane(QWidget* parent, QWebEnginePage* shown) : QWebEngineView(parent) {
    if (shown) {
        shown->setParent(this); // owned by the pane
        setPage(shown);
    }
    // loadingChanged, unlike loadFinished, tells an HTTP error status (a page
    // of the site's own) from an address that could not be reached.
    connect(page(), &QWebEnginePage::loadingChanged, this, &BrowserPane::onLoadingChanged);
}

BrowserPane::~BrowserPane() {
    *alive = false;
    // Nor is a load the page reports while it goes taken for a failure.
    disconnect(page(), nullptr, this, nullptr);
}

void BrowserPane::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        failure = false;
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (info.isErrorPage() && info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain)
            showFailurePage();
        break;
    default:
        break;
    }
    emit navigated(url());
}

void BrowserPane::showFailurePage() {
    failure = true;
    // Written over the engine's error page rather than loaded in its place:
    // that page is the address's own history entry, so Back and Forward pass
    // it once and Reload or Retry asks the address again.
    const QJsonArray arguments{failurePageHtml(), layoutDirection() == Qt::RightToLeft
                                                      ? QStringLiteral("rtl")
                                                      : QStringLiteral("ltr")};
    const QString script =
        QStringLiteral("(function (html, dir) {"
                       " var root = document.documentElement;"
                       " root.innerHTML = html;"
                       " root.dir = dir;"
                       " root.removeAttribute('lang');"
                       " document.getElementById('retry').addEventListener('click',"
                       "   function () { location.reload(); });"
                       "}).apply(null, ") +
        QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)) +
        QStringLiteral(");");
    page()->runJavaScript(script);
}

QString BrowserPane::failurePageHtml() const {
    const QUrl address = url();
    const bool site = isWebAddress(address);
    const QString heading =
        (site ? tr("The site could not be reached.") : tr("The page could not be opened."))
            .toHtmlEscaped();
    return QStringLiteral("<head><meta charset=\"utf-8\"><title>") + heading +
           QStringLiteral("</title><style>"
                          "body { font-family: sans-serif; margin: 3em; }"
                          "h1 { font-size: 1.5em; font-weight: normal; }"
                          ".address { overflow-wrap: anywhere; opacity: 0.75; }"
                          "button { font: inherit; padding: 0.4em 1.5em; }"
                          "</style></head><body><h1>") +
           heading + QStringLiteral("</h1><p class=\"address\">") +
           address.toDisplayString().toHtmlEscaped() + QStringLiteral("</p><p>") +
           tr("Check the address and the connection, then try again.").toHtmlEscaped() +
           QStringLiteral("</p><button id=\"retry\" type=\"button\">") +
           tr("Retry").toHtmlEscaped() + QStringLiteral("</button></body>");
}

void BrowserPane::navigate(const QString& address) {
    // Plain paths (the player page) and full addresses are both accepted.
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
    load(url);
}

QString BrowserPane::currentAddress() const {
    const QUrl address = url();
    return address.isEmpty() ? QString() : address.toString();
}

void BrowserPane::documentHtml(std::function<void(const QString& html)> receiver) {
    // The callback runs later on the window's thread.
    page()->toHtml([receiver = std::move(receiver), alive = alive](const QString& html) {
        if (receiver && *alive)
            receiver(html);
    });
}

void BrowserPane::allowAutoplay(bool allow) {
    settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !allow);
}

void prepareWebEngineEnvironment() {
    if (geteuid() == 0) {
        const char* existing = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
        std::string flags = existing ? existing : "";
        if (flags.find("--no-sandbox") == std::string::npos) {
            if (!flags.empty())
                flags += ' ';
            flags += "--no-sandbox";
            setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
        }
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

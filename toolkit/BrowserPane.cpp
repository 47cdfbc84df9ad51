#include "BrowserPane.h"

#include <QApplication>
#include <QDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include <cstdlib>
#include <string>
#include <unistd.h>

BrowserPane::BrowserPane(QWidget* parent) : QWebEngineView(parent) {
    connect(this, &QWebEngineView::loadFinished, this, [this](bool) { emit navigated(url()); });
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
    page()->toHtml([receiver = std::move(receiver)](const QString& html) {
        if (receiver)
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

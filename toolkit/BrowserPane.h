#pragma once

#include <QString>
#include <QWebEngineView>

#include <functional>

// The embedded browser: navigate, current address, the current document's
// HTML and a navigated signal.
class BrowserPane : public QWebEngineView {
    Q_OBJECT
public:
    explicit BrowserPane(QWidget* parent = nullptr);

    void navigate(const QString& address);
    // The address shown, or an empty text when nothing was loaded yet.
    QString currentAddress() const;
    // Asynchronous: the HTML arrives through the callback on the window's thread.
    void documentHtml(std::function<void(const QString& html)> receiver);

    // Lets media start without a click (the Home pane plays what it opens).
    void allowAutoplay(bool allow);

signals:
    // The page finished loading (successfully or not).
    void navigated(const QUrl& address);
};

// Chromium refuses to start its sandbox as root; call before QApplication.
void prepareWebEngineEnvironment();

#pragma once

#include <QWebEnginePage>

class RequestWatch;

// The Search pane's page: it tells when scripts have changed its document
// (a debounced MutationObserver in a world of our own), when it asks for a
// key system (protected media, through EME), and which of its requests
// may be videos (RequestWatch). It changes and blocks nothing.
class SearchPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit SearchPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    RequestWatch* requests() const { return watch; }

    // How long the document must have rested before a change is told.
    static constexpr int settleMs = 500;

signals:
    void documentChanged();
    void protectedMedia();

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;

private:
    RequestWatch* watch; // owned by this
};

#pragma once

#include <QString>
#include <QWebEngineView>

#include <functional>
#include <memory>

class QWebEngineLoadingInfo;
class QWebEnginePage;

// The embedded browser: navigate, current address, the current document's
// HTML and a navigated signal. An address that cannot be reached shows our
// own page with a Retry button in place of the engine's error page.
class BrowserPane : public QWebEngineView {
    Q_OBJECT
public:
    // Shows shown (null: a page of the default profile), which the pane
    // then owns; its profile must outlive the pane.
    explicit BrowserPane(QWidget* parent = nullptr, QWebEnginePage* shown = nullptr);
    ~BrowserPane() override;

    void navigate(const QString& address);
    // The address shown, or an empty text when nothing was loaded yet.
    QString currentAddress() const;
    // Asynchronous: the HTML arrives through the callback on the window's
    // thread; never once the pane is going.
    void documentHtml(std::function<void(const QString& html)> receiver);

    // Lets media start without a click (the Home pane plays what it opens).
    void allowAutoplay(bool allow);

    // The page shown says that its address could not be reached; url()
    // is still that address.
    bool showsFailure() const { return failure; }

signals:
    // The page finished loading (successfully or not). For an address that
    // could not be reached, showsFailure() is already true.
    void navigated(const QUrl& address);

private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void showFailurePage();
    QString failurePageHtml() const;

    bool failure = false;
    // Cleared when the pane goes: the engine answers what is still asked
    // from inside the page's destructor, after the pane's owner (whose
    // members a receiver reads) is partly gone.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

// Chromium refuses to start its sandbox as root; call before QApplication.
void prepareWebEngineEnvironment();

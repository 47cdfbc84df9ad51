#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>
#include <string>

class BrowserPane;
class NavigationBar;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;

// "Search": the title box, Download and the instructions on the left; the
// navigation buttons, "Go", the address box and the search browser on the
// right. Every page the browser reaches is handed to the title finder and its
// address shown. The title belongs to the page it was read from (or typed
// for): navigating clears it, and Download is enabled only while that page is
// shown. A page that could not be reached has no title. A link's context menu
// offers "Download Video".
class SearchTab : public QWidget {
    Q_OBJECT
public:
    using TitleFinder = std::function<void(const std::string& html)>;

    explicit SearchTab(QWidget* parent = nullptr);

    void setTitleFinder(TitleFinder finder) { titleFinder = std::move(finder); }

    QLineEdit* titleBox() const { return titleText; }
    QPushButton* downloadButton() const { return download; }
    QLineEdit* addressBox() const { return addressText; }
    BrowserPane* browser() const { return browserPane; }
    // Its sizes are kept between runs.
    QSplitter* panes() const { return splitter; }
    NavigationBar* navigationBar() const { return navBar; }

    static const char* const Instructions;

signals:
    // A page's HTML has been through the title finder.
    void pageRead();
    // "Download Video" was chosen on a link to page.
    void downloadRequested(const QUrl& page);

private slots:
    void onGo();
    void onAddressEntered();
    void onNavigated();
    void navigationStarted();
    void shownUrlChanged(const QUrl& address);
    void titleTyped();
    void onBrowserMenu(const QPoint& position);

private:
    void updateDownload();

    QWidget* buildLeftPane();
    QWidget* buildRightPane();

    QSplitter* splitter;
    QLineEdit* titleText;
    QPushButton* download;
    QLabel* instructions;
    QPushButton* go;
    QLineEdit* addressText;
    NavigationBar* navBar;
    BrowserPane* browserPane;
    TitleFinder titleFinder;
    QUrl shownPage; // the browser's page, without its fragment
    QUrl titlePage; // the page the title box's text belongs to
    bool typed = false;
    unsigned navigation = 0; // a page read after another start is stale
};

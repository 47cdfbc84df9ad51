#pragma once

#include "app/search/CheckPace.h"
#include "app/search/LiveSources.h"
#include "app/search/PageFinder.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class BrowserPane;
class NavigationBar;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QToolButton;
class QWebEngineProfile;
class SearchPage;

// "Search": the title box, Download and the instructions on the left; the
// navigation buttons, "Go", the address box and the search browser on the
// right. Every page the browser reaches is handed to the page finder and its
// address shown. The title and the sources belong to the page they were read
// from (the title also to the page it was typed for): navigating clears them,
// and Download is enabled only while that page is shown and offers a video
// (its tooltip and downloadNotice say why not). A page that offers
// more than one source lists them in a labelled drop-down beside Download,
// which says how many there are and each one's size when its server names
// it: picking one chooses it instead of the
// quality's choice, and Download saves it; on a page of several videos it
// also offers "Download All (N)", each video its own transfer. A page that could not be reached
// has no title. A link's context menu offers "Download Video".
class SearchTab : public QWidget {
    Q_OBJECT
public:
    // Reads a page's HTML (at its address) and hands what it found to the
    // callback later, on this thread.
    using Finder = std::function<void(std::string html, std::string address,
                                      std::function<void(const PageFinder::Findings&)> found)>;

    // The browser shows pages of profile (null: the default one), which
    // must outlive the tab.
    explicit SearchTab(QWebEngineProfile* profile = nullptr, QWidget* parent = nullptr);

    void setPageFinder(Finder finder) { pageFinder = std::move(finder); }
    // Checks whether an address the page asked for (on the page at the
    // second address) is a video; the callback runs later on this thread.
    // The checks of a page keep to its bounds: at most
    // LiveSources::maxChecks a loaded document, CheckPace's pace, and never
    // towards a network more private than the page's own (RequestWatch).
    using SourceCheck = std::function<void(std::string url, std::string page,
                                           std::function<void(std::optional<SourceRef>)> checked)>;
    void setSourceCheck(SourceCheck check) { sourceCheck = std::move(check); }
    // Asks for a source's size (0: unknown) the same way.
    using SizeCheck = std::function<void(std::string url, std::string page,
                                         std::function<void(long long bytes)> sized)>;
    void setSizeCheck(SizeCheck check) { sizeCheck = std::move(check); }

    QLineEdit* titleBox() const { return titleText; }
    QPushButton* downloadButton() const { return download; }
    // The drop-down of the page's sources, under its label; hidden unless
    // it offers several.
    QToolButton* sourcesButton() const { return sourcesMenu; }
    QLabel* sourcesLabel() const { return sourcesCaption; }
    const std::vector<SourceRef>& sources() const { return pageSources; }
    // What Download alone saves: the quality's choice among the sources
    // known, bound so that the job saves what the pane found; empty when
    // the job is to choose (a stream map, or nothing known).
    SourceRef defaultSource() const;
    // What "Download All" saves on a page of several videos: each one's
    // title (the one typed for the page, numbered, outranks theirs) and the
    // source the quality picks among its own; empty for one video.
    struct VideoPick {
        std::string title;
        SourceRef source;
    };
    std::vector<VideoPick> allVideos() const;
    QLineEdit* addressBox() const { return addressText; }
    BrowserPane* browser() const { return browserPane; }
    // Its sizes are kept between runs.
    QSplitter* panes() const { return splitter; }
    NavigationBar* navigationBar() const { return navBar; }

    static const char* const Instructions;

signals:
    // A page's HTML has been through the page finder.
    void pageRead();
    // "Download All" was chosen in the drop-down: each of allVideos().
    void downloadAllRequested();
    // The page asks for a key system: its video is protected.
    void protectedMedia();
    // "Download Video" was chosen on a link to page.
    void downloadRequested(const QUrl& page);
    // Why the page shown cannot be downloaded (no video, a protected one),
    // once it is known; empty once that is over.
    void downloadNotice(const QString& text);

private slots:
    void onGo();
    void onAddressEntered();
    void onNavigated();
    void documentStarted();
    void navigationStarted();
    void shownUrlChanged(const QUrl& address);
    void titleTyped();
    void onBrowserMenu(const QPoint& position);

private:
    void updateDownload();
    // What the finder found on page, read after navigation started.
    void found(unsigned started, const QUrl& page, const PageFinder::Findings& findings);
    // The sources of the page's text and of its requests, in the list.
    void showSources();
    // The drop-down's entries and text after a pick or a size learnt.
    void markChosen();
    // Asks for the sizes of the sources listed, once each.
    void askSizes();
    // Hands the document as it is now to the page finder.
    void readDocument();
    void onDocumentChanged();
    void onMayBeVideo(const QUrl& address);
    void onProtectedMedia();

    QWidget* buildLeftPane();
    QWidget* buildRightPane(QWebEngineProfile* profile);
    void orderFocus();

    QSplitter* splitter;
    QLineEdit* titleText;
    QPushButton* download;
    QToolButton* sourcesMenu;
    QLabel* sourcesCaption;
    std::vector<SourceRef> pageSources;
    int chosen = -1;
    // What the page's document said when last read (at readPage), and what
    // its requests turned out to be.
    PageFinder::Findings read;
    QUrl readPage;
    LiveSources live;
    CheckPace* pace; // owned by this
    QString notice;
    SearchPage* searchPage; // owned by the browser pane
    QLabel* instructions;
    QPushButton* go;
    QLineEdit* addressText;
    NavigationBar* navBar;
    BrowserPane* browserPane;
    Finder pageFinder;
    SourceCheck sourceCheck;
    SizeCheck sizeCheck;
    // The sizes learnt of this document's sources by address, and those asked.
    std::map<std::string, long long> sizes;
    std::set<std::string> sizing;
    QUrl shownPage; // the browser's page, without its fragment
    QUrl titlePage; // the page the title box's text belongs to
    bool typed = false;
    unsigned navigation = 0; // a page read after another start is stale
    unsigned document = 0;   // what a check found for another document is
};

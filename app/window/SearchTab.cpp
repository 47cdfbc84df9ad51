#include "app/window/SearchTab.h"

#include "toolkit/WebAddress.h"

#include "app/search/RequestWatch.h"
#include "app/search/SearchPage.h"
#include "app/window/SiteAddress.h"
#include "toolkit/BrowserPane.h"
#include "toolkit/NavigationBar.h"
#include "toolkit/Text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineContextMenuRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <algorithm>

const char* const SearchTab::Instructions = QT_TRANSLATE_NOOP(
    "SearchTab",
    "1. Search for the video you want.\n\n2. When you are on the page that's playing your video "
    "the title will appear.\n\n3. Click Download.");

SearchTab::SearchTab(QWebEngineProfile* profile, QWidget* parent)
    : QWidget(parent), pace(new CheckPace(&CheckPace::Clock::now, this)) {
    setObjectName(QStringLiteral("searchTab"));
    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("searchSplitter"));
    splitter->setHandleWidth(5);
    splitter->addWidget(buildLeftPane());
    splitter->addWidget(buildRightPane(profile));
    orderFocus();
    splitter->setStretchFactor(1, 1);
    // Room for a title of a few words; dragging the handle gives it more.
    splitter->setSizes({260, 740});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    connect(go, &QPushButton::clicked, this, &SearchTab::onGo);
    // A line edit never takes a line break; Enter arrives as returnPressed.
    connect(addressText, &QLineEdit::returnPressed, this, &SearchTab::onAddressEntered);
    connect(browserPane, &BrowserPane::navigated, this, &SearchTab::onNavigated);
    // A document of its own; its scripts' rewrites of the address are not.
    connect(browserPane, &QWebEngineView::loadStarted, this, &SearchTab::documentStarted);
    connect(browserPane, &QWebEngineView::urlChanged, this, &SearchTab::shownUrlChanged);
    connect(titleText, &QLineEdit::textEdited, this, &SearchTab::titleTyped);
    // Enter in the title box downloads, as the button would.
    connect(titleText, &QLineEdit::returnPressed, this, [this] {
        if (download->isEnabled())
            download->click();
    });
    browserPane->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(browserPane, &QWidget::customContextMenuRequested, this, &SearchTab::onBrowserMenu);
    updateDownload();
}

QWidget* SearchTab::buildLeftPane() {
    auto* pane = new QWidget;
    titleText = new QLineEdit(tr("Title"), pane);
    titleText->setObjectName(QStringLiteral("titleBox"));
    titleText->setMaxLength(256);
    titleText->setAccessibleName(tr("Title"));
    titleText->setPlaceholderText(tr("The video's title"));
    auto* titleLabel = new QLabel(tr("T&itle:"), pane);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setBuddy(titleText);
    // A title longer than the box can still be read whole.
    connect(titleText, &QLineEdit::textChanged, titleText,
            [this](const QString& title) { titleText->setToolTip(title); });
    download = new QPushButton(tr("Download"), pane);
    download->setObjectName(QStringLiteral("downloadButton"));
    download->setFixedSize(129, 36);
    sourcesMenu = new QToolButton(pane);
    sourcesMenu->setObjectName(QStringLiteral("sourcesButton"));
    sourcesMenu->setArrowType(Qt::DownArrow);
    sourcesMenu->setPopupMode(QToolButton::InstantPopup);
    sourcesMenu->setFixedHeight(36);
    sourcesMenu->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sourcesMenu->setAccessibleName(tr("Other sources"));
    sourcesMenu->setMenu(new QMenu(sourcesMenu)); // owned by the button
    sourcesMenu->hide();
    sourcesCaption = new QLabel(tr("Sou&rces:"), pane);
    sourcesCaption->setObjectName(QStringLiteral("sourcesLabel"));
    sourcesCaption->setBuddy(sourcesMenu);
    sourcesCaption->hide();
    instructions = new QLabel(tr(Instructions), pane);
    instructions->setObjectName(QStringLiteral("instructions"));
    instructions->setWordWrap(true);
    instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(titleLabel);
    layout->addWidget(titleText);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(download);
    buttons->addWidget(sourcesCaption);
    buttons->addWidget(sourcesMenu);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(instructions, 1);
    return pane;
}

QWidget* SearchTab::buildRightPane(QWebEngineProfile* profile) {
    auto* pane = new QWidget;
    go = new QPushButton(tr("Go"), pane);
    go->setObjectName(QStringLiteral("goButton"));
    QFont small = go->font();
    small.setPixelSize(12);
    go->setFont(small);
    addressText = new QLineEdit(SiteAddress::searchAddress(), pane);
    addressText->setObjectName(QStringLiteral("addressBox"));
    addressText->setAccessibleName(tr("Address"));
    searchPage = new SearchPage(profile ? profile : QWebEngineProfile::defaultProfile());
    browserPane = new BrowserPane(pane, searchPage); // owns the page
    connect(searchPage, &SearchPage::documentChanged, this, &SearchTab::onDocumentChanged);
    connect(searchPage, &SearchPage::protectedMedia, this, &SearchTab::onProtectedMedia);
    // The engine may call the watch off this thread.
    connect(searchPage->requests(), &RequestWatch::mayBeVideo, this, &SearchTab::onMayBeVideo,
            Qt::QueuedConnection);
    browserPane->setObjectName(QStringLiteral("searchBrowser"));
    browserPane->setAccessibleName(tr("Search page"));
    navBar = new NavigationBar(browserPane, pane);
    navBar->setObjectName(QStringLiteral("searchNavigation"));

    auto* layout = new QGridLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(navBar, 0, 0);
    layout->addWidget(go, 0, 1);
    layout->addWidget(addressText, 0, 2);
    layout->addWidget(browserPane, 1, 0, 1, 3);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
    return pane;
}

void SearchTab::orderFocus() {
    // Keyboard order as the eye reads: the title, Download and its
    // sources, then Go, the address and the page.
    QWidget::setTabOrder(titleText, download);
    QWidget::setTabOrder(download, sourcesMenu);
    QWidget::setTabOrder(sourcesMenu, go);
    QWidget::setTabOrder(go, addressText);
    QWidget::setTabOrder(addressText, browserPane);
}

void SearchTab::onGo() {
    browserPane->navigate(addressText->text());
}

void SearchTab::onAddressEntered() {
    browserPane->navigate(addressText->text());
}

namespace {

QUrl pageOf(const QUrl& address) {
    return address.adjusted(QUrl::RemoveFragment);
}

} // namespace

void SearchTab::onNavigated() {
    readDocument();
    addressText->setText(browserPane->currentAddress());
}

void SearchTab::onDocumentChanged() {
    // A page still loading is read once it has.
    if (!browserPane->page()->isLoading())
        readDocument();
}

void SearchTab::readDocument() {
    // The HTML arrives later on this thread; the tab may be gone by then,
    // or another navigation may have started.
    QPointer<SearchTab> self(this);
    const unsigned started = navigation;
    const QUrl page = pageOf(browserPane->url());
    browserPane->documentHtml([self, started, page](const QString& html) {
        if (!self)
            return;
        // A load still going means this HTML may be another page's.
        const BrowserPane* browser = self->browserPane;
        // Our page for an address that could not be reached is no watch page.
        if (started == self->navigation && !browser->page()->isLoading() &&
            !browser->showsFailure() && page == pageOf(browser->url()) && self->pageFinder) {
            self->pageFinder(narrow(html), narrow(page.toString(QUrl::FullyEncoded)),
                             [self, started, page](const PageFinder::Findings& findings) {
                                 if (self)
                                     self->found(started, page, findings);
                             });
            return;
        }
        emit self->pageRead();
    });
}

void SearchTab::found(unsigned started, const QUrl& page, const PageFinder::Findings& findings) {
    if (started == navigation && page == pageOf(browserPane->url())) {
        // What the user typed for this page outranks what the page says; a
        // page without a title leaves the box as it was.
        if (!typed && !findings.title.empty()) {
            titleText->setText(wide(findings.title));
            // A long title is read from its start.
            titleText->setCursorPosition(0);
        }
        read = findings;
        readPage = page;
        showSources();
    }
    emit pageRead();
}

void SearchTab::onMayBeVideo(const QUrl& address) {
    const std::string url = narrow(address.toString(QUrl::FullyEncoded));
    const QUrl page = pageOf(browserPane->url());
    if (!sourceCheck || !RequestWatch::mayReach(page, address))
        return;
    if (!live.shouldCheck(url)) {
        // Asked for again after the address changed: offered again.
        if (live.recall(url))
            showSources();
        return;
    }
    QPointer<SearchTab> self(this);
    const unsigned started = document;
    pace->add([self, started, page, url](std::function<void()> done) {
        if (!self)
            return done();
        self->sourceCheck(url, narrow(page.toString(QUrl::FullyEncoded)),
                          [self, started, page, url, done](std::optional<SourceRef> source) {
                              done();
                              if (!self || !source || started != self->document)
                                  return;
                              self->live.know(url, std::move(*source));
                              if (page == pageOf(self->browserPane->url()) &&
                                  self->live.recall(url))
                                  self->showSources();
                          });
    });
}

void SearchTab::onProtectedMedia() {
    // What a key system guards is never offered, not even its manifest.
    if (live.blocked())
        return;
    live.block();
    showSources();
    emit protectedMedia();
}

SourceRef SearchTab::defaultSource() const {
    // A stream map, or nothing known: the job chooses from the page.
    if (read.streamMap || pageSources.empty())
        return {};
    return pageSources[static_cast<std::size_t>(std::max(chosen, 0))];
}

void SearchTab::showSources() {
    // The page's text first, in the order a job takes them, then what its
    // requests turned out to be.
    pageSources = read.sources;
    chosen = read.chosen;
    for (const SourceRef& source : live.found())
        if (std::none_of(pageSources.begin(), pageSources.end(),
                         [&](const SourceRef& known) { return known.url == source.url; }))
            pageSources.push_back(source);
    if (chosen < 0 && !pageSources.empty())
        chosen = static_cast<int>(read.sources.size());
    // The sources belong to the page, as a title does.
    if (!typed && (!pageSources.empty() || read.streamMap || !titleText->text().isEmpty()))
        titlePage = pageOf(browserPane->url());
    QMenu* menu = sourcesMenu->menu();
    menu->clear();
    // One source needs no choice: Download takes it.
    sourcesMenu->setVisible(pageSources.size() > 1);
    sourcesCaption->setVisible(pageSources.size() > 1);
    updateDownload();
    if (pageSources.size() < 2)
        return;
    for (std::size_t i = 0; i < pageSources.size(); ++i) {
        const SourceRef& source = pageSources[i];
        QAction* action = menu->addAction(wide(source.label));
        action->setToolTip(wide(source.url));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, i] {
            chosen = static_cast<int>(i);
            markChosen();
        });
    }
    menu->setToolTipsVisible(true);
    // Each of several videos its own transfer, in one go.
    if (read.videos.size() > 1) {
        menu->addSeparator();
        QAction* all = menu->addAction(tr("Download All (%1)").arg(read.videos.size()));
        all->setObjectName(QStringLiteral("downloadAllAction"));
        connect(all, &QAction::triggered, this, &SearchTab::downloadAllRequested);
    }
    markChosen();
    askSizes();
}

std::vector<SearchTab::VideoPick> SearchTab::allVideos() const {
    std::vector<VideoPick> picks;
    const std::string title = narrow(titleText->text().trimmed());
    for (std::size_t v = 0; v < read.videos.size(); ++v) {
        const auto& video = read.videos[v];
        if (video.chosen < 0 || video.chosen >= int(pageSources.size()))
            continue;
        picks.push_back(
            {typed && !title.empty() ? title + " (" + std::to_string(v + 1) + ")" : video.title,
             pageSources[static_cast<std::size_t>(video.chosen)]});
    }
    return picks;
}

void SearchTab::askSizes() {
    // A few requests a page, each stopping at the answer's first bytes.
    constexpr std::size_t MaxAsked = 16;
    if (!sizeCheck)
        return;
    QPointer<SearchTab> self(this);
    const unsigned started = document;
    const QUrl shown = pageOf(browserPane->url());
    const std::string page = narrow(shown.toString(QUrl::FullyEncoded));
    for (const SourceRef& source : pageSources) {
        // Asked as the page's own requests are checked.
        if (sizing.size() >= MaxAsked || !RequestWatch::mayReach(shown, QUrl(wide(source.url))) ||
            !sizing.insert(source.url).second)
            continue;
        pace->add([self, started, page, url = source.url](std::function<void()> done) {
            if (!self)
                return done();
            self->sizeCheck(url, page, [self, started, url, done](long long bytes) {
                done();
                if (!self || started != self->document || bytes <= 0)
                    return;
                self->sizes[url] = bytes;
                self->markChosen();
            });
        });
    }
}

void SearchTab::markChosen() {
    const QList<QAction*> entries = sourcesMenu->menu()->actions();
    for (qsizetype i = 0; i < entries.size() && i < qsizetype(pageSources.size()); ++i) {
        const SourceRef& source = pageSources[static_cast<std::size_t>(i)];
        const auto size = sizes.find(source.url);
        entries[i]->setText(
            size == sizes.end()
                ? wide(source.label)
                : tr("%1 (%2)").arg(
                      wide(source.label),
                      QLocale().formattedDataSize(size->second, 1, QLocale::DataSizeSIFormat)));
        // The one Download takes stands out.
        QFont font = entries[i]->font();
        font.setBold(i == chosen);
        entries[i]->setFont(font);
        entries[i]->setChecked(i == chosen);
    }
    const QString count = tr("%n sources", nullptr, int(pageSources.size()));
    sourcesMenu->setText(
        chosen >= 0 && chosen < int(pageSources.size())
            ? tr("%1 of %2").arg(wide(pageSources[static_cast<std::size_t>(chosen)].label), count)
            : count);
}

void SearchTab::documentStarted() {
    // The last document's checks still waiting are not made; its bounds
    // start again.
    ++document;
    pace->drop();
    live.reset();
    sizes.clear();
    sizing.clear();
    navigationStarted();
}

void SearchTab::navigationStarted() {
    // A title shown during a navigation would be saved with the next video.
    ++navigation;
    titleText->clear();
    titlePage.clear();
    typed = false;
    read = {};
    readPage.clear();
    live.forgetFound();
    showSources();
}

void SearchTab::shownUrlChanged(const QUrl& address) {
    const QUrl page = pageOf(address);
    if (page == shownPage)
        return;
    shownPage = page;
    if (titlePage != page)
        navigationStarted();
}

void SearchTab::titleTyped() {
    typed = true;
    titlePage = pageOf(browserPane->url());
    updateDownload();
}

void SearchTab::updateDownload() {
    const bool failed = browserPane->showsFailure();
    // What was read belongs to the page shown, and names a video.
    const bool readHere = !failed && !readPage.isEmpty() && readPage == pageOf(browserPane->url());
    download->setEnabled(readHere && (!pageSources.empty() || read.streamMap));
    // A disabled button says why; an enabled one how many sources it knows.
    QString why;
    if (download->isEnabled())
        download->setToolTip(pageSources.empty()
                                 ? QString()
                                 : tr("Sources found on this page: %1").arg(pageSources.size()));
    else if (failed)
        download->setToolTip(tr("This page could not be reached."));
    else if (!readHere)
        download->setToolTip(tr("Open the page that plays your video; Download is ready "
                                "once its title appears."));
    else {
        why = live.blocked() ? tr("This video is protected and cannot be saved.")
                             : tr("There is no video on this page.");
        download->setToolTip(why);
    }
    sourcesMenu->setEnabled(download->isEnabled());
    if (why != notice) {
        notice = why;
        emit downloadNotice(notice);
    }
}

void SearchTab::onBrowserMenu(const QPoint& position) {
    // The engine's own entries that work in a pane of one page (no tabs, no
    // windows, no downloads of its own), plus a download of the page a web
    // link leads to.
    QMenu* menu = browserPane->createStandardContextMenu();
    const QWebEnginePage* page = browserPane->page();
    for (const QWebEnginePage::WebAction dead :
         {QWebEnginePage::OpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewTab,
          QWebEnginePage::OpenLinkInNewBackgroundTab, QWebEnginePage::DownloadLinkToDisk,
          QWebEnginePage::DownloadImageToDisk, QWebEnginePage::DownloadMediaToDisk,
          QWebEnginePage::SavePage, QWebEnginePage::ViewSource, QWebEnginePage::InspectElement})
        menu->removeAction(page->action(dead));
    const QWebEngineContextMenuRequest* request = browserPane->lastContextMenuRequest();
    const QUrl link = request ? request->linkUrl() : QUrl();
    if (isWebAddress(link)) {
        QAction* here = page->action(QWebEnginePage::OpenLinkInThisWindow);
        here->setText(tr("Open Link"));
        menu->insertAction(menu->actions().value(0), here);
        auto* action = new QAction(tr("Download Video"), menu);
        action->setObjectName(QStringLiteral("downloadVideoAction"));
        connect(action, &QAction::triggered, this, [this, link] { emit downloadRequested(link); });
        QAction* first = menu->actions().value(0);
        menu->insertAction(first, action);
        if (first)
            menu->insertSeparator(first);
    }
    // The menu deletes itself when closed.
    menu->popup(browserPane->mapToGlobal(position));
}

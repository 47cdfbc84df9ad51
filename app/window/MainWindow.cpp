#include "app/window/MainWindow.h"

#include "app/desktop/FileManager.h"
#include "app/desktop/HelpPage.h"
#include "app/desktop/Translations.h"
#include "app/search/PageFinder.h"
#include "app/search/RequestWatch.h"
#include "app/search/SearchProfile.h"
#include "app/session/DataFolder.h"
#include "app/session/TransfersSummary.h"
#include "app/window/HomePlayer.h"
#include "app/window/HomeTab.h"
#include "app/window/LibraryTab.h"
#include "app/window/SearchTab.h"
#include "app/window/SettingsTab.h"
#include "app/window/SiteAddress.h"
#include "app/window/TransfersTab.h"
#include "files/LeftoverParts.h"
#include "http/FetchBounds.h"
#include "library/Library.h"
#include "settings/RegularFile.h"
#include "settings/SettingsStore.h"
#include "toolkit/BrowserPane.h"
#include "toolkit/DesktopLaunch.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Text.h"
#include "toolkit/WebAddress.h"
#include "transfers/TransferModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <utility>
#include <vector>

namespace quillmoth {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), chooser(this) {
    // Before any job of this start can make a file.
    const timespec started = LeftoverParts::now();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quillmoth"));
    setWindowIcon(QIcon(QStringLiteral(":/quillmoth.png")));
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    setFont(font);
    resize(800, 588);
    setAcceptDrops(true);

    // Before the Search pane, whose pages it outlives.
    searchProfile = std::make_unique<SearchProfile>(wide(SettingsStore::userDataFolder()) +
                                                    QStringLiteral("browser"));
    buildStatusBar();
    buildMenu();
    buildTabs();
    wire();

    folder = std::make_unique<DataFolder>();
    wireDataFolder();

    followTransfers();
    restoreLayout();
    folder->removeLeftovers(started);

    home->browser()->navigate(SiteAddress::splashPage());
    search->browser()->navigate(SiteAddress::searchPage());
}

void MainWindow::wireDataFolder() {
    connect(folder.get(), &DataFolder::message, this,
            [](const QString& text) { MessageBox::show(text); });
    settingsPage->display(folder->settings());
    settingsPage->setSave([this](const Settings& wanted) {
        const bool saved = folder && folder->saveSettings(wanted);
        if (saved)
            statusBar()->showMessage(tr("Settings saved."), 5000);
        return saved;
    });
    connect(settingsPage, &SettingsTab::discarded, this, [this] {
        if (folder)
            settingsPage->display(folder->settings());
    });
    library->setLibrary(&folder->library());
    // Downloads send what the Search pane would; the ones continuing from
    // the last run wait for its stored cookies to load.
    folder->setIdentity(
        [profile = searchProfile.get()](const std::string& pageUrl, FetchBounds& bounds) {
            profile->identify(pageUrl, bounds);
        });
    folder->holdTransfers(true);
    connect(searchProfile.get(), &SearchProfile::settled, this, [this] {
        if (folder)
            folder->holdTransfers(false);
    });
    folder->start();
    transfers->setModel(&folder->transferModel());
    connect(transfers, &TransfersTab::filesMayHaveMoved, this,
            [this](const std::vector<std::int64_t>& ids) {
                if (folder)
                    folder->lookAtFiles(ids);
            });
    home->setRunner(folder->workRunner());
    pageFinder = std::make_unique<PageFinder>(folder->workRunner());
    search->setPageFinder([this](std::string html, std::string address,
                                 std::function<void(const PageFinder::Findings&)> found) {
        pageFinder->find(std::move(html), std::move(address), folder->settings().quality,
                         std::move(found));
    });
    // Sent as a download of it would be, and never beyond the page's network.
    const auto checkBounds = [this](std::string page) {
        FetchBounds bounds;
        searchProfile->identify(page, bounds);
        bounds.reach = RequestWatch::reachOf(QUrl(wide(page)));
        bounds.referer = std::move(page);
        return bounds;
    };
    search->setSourceCheck(
        [this, checkBounds](std::string url, std::string page, PageFinder::Checked checked) {
            pageFinder->check(std::move(url), checkBounds(std::move(page)), std::move(checked));
        });
    search->setSizeCheck([this, checkBounds](std::string url, std::string page,
                                             std::function<void(long long)> sized) {
        pageFinder->size(std::move(url), checkBounds(std::move(page)), std::move(sized));
    });
    connect(search, &SearchTab::protectedMedia, this, [this] {
        statusBar()->showMessage(tr("This video is protected and cannot be saved."), 10000);
    });
    connect(search, &SearchTab::downloadNotice, this, [this](const QString& text) {
        // Another message since stays.
        if (!text.isEmpty())
            statusBar()->showMessage(text, 10000);
        else if (statusBar()->currentMessage() == searchNotice)
            statusBar()->clearMessage();
        searchNotice = text;
    });
}

void MainWindow::followTransfers() {
    // A few updates a second are plenty, however many rows change.
    summaryTimer = new QTimer(this); // owned by the window
    summaryTimer->setSingleShot(true);
    summaryTimer->setInterval(200);
    connect(summaryTimer, &QTimer::timeout, this, &MainWindow::showSummary);
    const auto soon = [this] {
        showTitle();
        if (!summaryTimer->isActive())
            summaryTimer->start();
    };
    const TransferModel* model = &folder->transferModel();
    connect(model, &QAbstractItemModel::dataChanged, this, soon);
    connect(model, &QAbstractItemModel::rowsInserted, this, soon);
    connect(model, &QAbstractItemModel::rowsRemoved, this, soon);
    showSummary();
}

void MainWindow::showSummary() {
    if (!folder)
        return;
    const TransfersSummary summary = folder->summary();
    statusLabel->setText(summary.text());
    setWindowTitle(summary.title());
}

void MainWindow::showTitle() {
    if (!folder)
        return;
    const QString title = folder->summary().title();
    if (title != windowTitle())
        setWindowTitle(title);
}

QString MainWindow::layoutPath() const {
    return wide(folder->settingsStore().dataFolder()) + QStringLiteral("window.ini");
}

void MainWindow::restoreLayout() {
    // Only a regular file is handed to QSettings, which would wait on a FIFO
    // for ever.
    std::string said;
    layoutUsable = SettingsStore::setAsideIfNotFile(
        narrow(layoutPath()),
        tr("The window layout file could not be read, so the default layout is used. It was "
           "kept as %1"),
        said);
    if (!said.empty())
        MessageBox::show(wide(said));
    if (!layoutUsable) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    const QSettings layout(layoutPath(), QSettings::IniFormat);
    // The first start opens maximised; later ones as the user left it.
    const QByteArray geometry = layout.value(QStringLiteral("window/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        setWindowState(windowState() | Qt::WindowMaximized);
    transfers->restoreLayout(layout);
    QHeaderView* libraryColumns = library->list()->header();
    libraryColumns->restoreState(
        layout.value(QStringLiteral("window/libraryColumns")).toByteArray());
    // The order kept is the order shown.
    library->list()->sortByColumn(libraryColumns->sortIndicatorSection(),
                                  libraryColumns->sortIndicatorOrder());
    search->panes()->restoreState(layout.value(QStringLiteral("window/searchPanes")).toByteArray());
}

void MainWindow::saveLayout() const {
    if (!layoutUsable || RegularFile::at(narrow(layoutPath())) == RegularFile::Found::Other)
        return;
    QSettings layout(layoutPath(), QSettings::IniFormat);
    layout.setValue(QStringLiteral("window/geometry"), saveGeometry());
    transfers->saveLayout(layout);
    layout.setValue(QStringLiteral("window/libraryColumns"),
                    library->list()->header()->saveState());
    layout.setValue(QStringLiteral("window/searchPanes"), search->panes()->saveState());
}

MainWindow::~MainWindow() {
    // Before the workers it posts from.
    pageFinder.reset();
    folder.reset();
    // Its pages go before their profile; no tab change is taken for a user's.
    disconnect(tabPages, nullptr, this, nullptr);
    delete search;
    searchProfile.reset();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closed) {
        event->accept();
        return;
    }
    emit closing(true);
    // A signal during the question ends it, and the close goes on.
    if (askOnClose && !settingsPage->settle(true) && askOnClose) {
        event->ignore();
        emit closing(false);
        return;
    }
    if (std::exchange(closed, true)) {
        event->accept();
        return;
    }
    // Nothing more is asked: running transfers pause and conversions stop,
    // and their workers get a moment to end ffmpeg; a playable copy in the
    // making is given up first.
    if (HomePlayer* player = home->player())
        player->stop();
    if (folder) {
        saveLayout();
        folder->stopTransfers();
    }
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Some window managers drop a maximised state set before the first
    // mapping; asking again once the window is up makes it stick.
    if (!shownOnce) {
        shownOnce = true;
        QTimer::singleShot(0, this, [this] {
            // Qt counts the window as maximised already; drop the state and
            // ask again, which reaches the window manager as a request.
            if (isMinimized() || !isMaximized())
                return;
            setWindowState(windowState() & ~Qt::WindowMaximized);
            showMaximized();
        });
    }
}

void MainWindow::buildMenu() {
    auto* menus = new QMenuBar(this); // owned by the window
    menus->setObjectName(QStringLiteral("menuBar"));
    QMenu* file = menus->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction* paste = file->addAction(tr("&Paste Link"));
    paste->setObjectName(QStringLiteral("pasteLinkAction"));
    // Text fields and web pages take Ctrl+V first (they override it).
    paste->setShortcut(QKeySequence::Paste);
    connect(paste, &QAction::triggered, this, &MainWindow::onPasteLink);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"));
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    QMenu* helpMenu = menus->addMenu(tr("&Help"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    QAction* contents = helpMenu->addAction(tr("&Contents"));
    contents->setObjectName(QStringLiteral("helpContentsAction"));
    contents->setShortcut(QKeySequence::HelpContents);
    contents->setShortcutContext(Qt::ApplicationShortcut);
    connect(contents, &QAction::triggered, this, &MainWindow::onHelpContents);
    QAction* help = helpMenu->addAction(tr("Quillmoth &Website"));
    help->setObjectName(QStringLiteral("helpAction"));
    QAction* about = helpMenu->addAction(tr("&About Quillmoth"));
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    connect(help, &QAction::triggered, this, &MainWindow::onHelp);
    connect(about, &QAction::triggered, this, &MainWindow::onAbout);
    setMenuBar(menus);
}

void MainWindow::buildStatusBar() {
    auto* status = new QStatusBar(this); // owned by the window
    status->setObjectName(QStringLiteral("statusBar"));
    statusLabel = new QLabel(status);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    // Beside the bar's messages, never under them.
    status->addPermanentWidget(statusLabel);
    setStatusBar(status);
}

void MainWindow::buildTabs() {
    tabPages = new QTabWidget(this);
    tabPages->setObjectName(QStringLiteral("tabs"));
    home = new HomeTab(SettingsStore::userDataFolder());
    search = new SearchTab(searchProfile->profile());
    transfers = new TransfersTab;
    library = new LibraryTab;
    // Access keys that no control of any tab takes.
    tabPages->addTab(home, tr("H&ome"));
    tabPages->addTab(search, tr("&Search"));
    tabPages->addTab(transfers, tr("&Transfers"));
    tabPages->addTab(library, tr("My Librar&y"));
    settingsPage = new SettingsTab(tabPages);
    tabPages->addTab(settingsPage, tr("Settin&gs"));
    tabPages->setCurrentWidget(home);
    setCentralWidget(tabPages);
}

void MainWindow::wire() {
    connect(search->downloadButton(), &QPushButton::clicked, this, &MainWindow::onDownload);
    connect(search, &SearchTab::downloadAllRequested, this, &MainWindow::onDownloadAll);
    connect(search, &SearchTab::downloadRequested, this,
            [this](const QUrl& page) { queueAddresses({page.toString(QUrl::FullyEncoded)}); });
    connect(library, &LibraryTab::rowDoubleClicked, this, &MainWindow::onLibraryRowDoubleClicked);
    connect(transfers->clearAction(), &QAction::triggered, this, &MainWindow::onClearRows);
    connect(transfers->convertAction(), &QAction::triggered, this, &MainWindow::onConvertRows);
    connect(transfers->cancelAction(), &QAction::triggered, this, &MainWindow::onCancelRows);
    connect(transfers->retryAction(), &QAction::triggered, this, &MainWindow::onRetryRows);
    connect(transfers->pauseAction(), &QAction::triggered, this, &MainWindow::onPauseRows);
    connect(transfers->resumeAction(), &QAction::triggered, this, &MainWindow::onResumeRows);
    connect(transfers, &TransfersTab::pauseOrResumeKey, this, &MainWindow::onPauseOrResume);
    connect(transfers->playAction(), &QAction::triggered, this, &MainWindow::onPlayTransfer);
    connect(transfers->showFolderAction(), &QAction::triggered, this,
            &MainWindow::onShowTransferFolder);
    connect(transfers->moveUpAction(), &QAction::triggered, this, &MainWindow::onMoveUpRows);
    connect(transfers->moveDownAction(), &QAction::triggered, this, &MainWindow::onMoveDownRows);
    connect(transfers->moveToTopAction(), &QAction::triggered, this, &MainWindow::onMoveToTopRows);
    connect(transfers->startNowAction(), &QAction::triggered, this, &MainWindow::onStartNowRows);
    connect(transfers->clearFinishedAction(), &QAction::triggered, this,
            &MainWindow::onClearFinished);
    connect(library->showFolderAction(), &QAction::triggered, this,
            &MainWindow::onShowLibraryFolder);
    connect(library->playAction(), &QAction::triggered, this, &MainWindow::onPlayLibraryRow);
    connect(library->openWithAction(), &QAction::triggered, this, &MainWindow::onOpenLibraryRow);
    connect(library->convertAction(), &QAction::triggered, this, &MainWindow::onConvertLibraryRows);
    connect(library->renameAction(), &QAction::triggered, this, &MainWindow::onRenameLibraryRow);
    connect(library->deleteAction(), &QAction::triggered, this, &MainWindow::onDeleteLibraryRows);
    settingsPage->setChooseFolder([this] { return chooser.choose(); });
    shownTab = tabPages->currentWidget();
    // Ctrl+L: the Search pane's address, from anywhere in the window.
    auto* address = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this, [this] {
        tabPages->setCurrentWidget(search);
        search->addressBox()->setFocus(Qt::ShortcutFocusReason);
        search->addressBox()->selectAll();
    }); // owned by the window
    address->setObjectName(QStringLiteral("addressShortcut"));
    connect(tabPages, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);
    // Logging out closes the window without a question anyone could answer.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { askOnClose = false; });
}

void MainWindow::closeWithoutAsking() {
    askOnClose = false;
    // A close already under way (its question just ended) goes on by itself.
    MessageBox::endAll();
    close();
}

void MainWindow::onTabChanged() {
    QWidget* left = std::exchange(shownTab, tabPages->currentWidget());
    if (left != settingsPage || shownTab == settingsPage)
        return;
    // A save that fails keeps the user where the changes are.
    // Cancel (or Escape) stays on the tab, as it does when closing.
    if (!settingsPage->settle(true))
        tabPages->setCurrentWidget(settingsPage);
}

void MainWindow::onDownload() {
    download(search->defaultSource());
}

void MainWindow::download(const SourceRef& source) {
    const std::string title = narrow(search->titleBox()->text());
    // Encoded, so that blanks and other characters shown decoded reach the
    // HTTP client as a valid address.
    const QUrl address = search->browser()->url();
    if (address.isEmpty() || !folder)
        return;
    const std::string url = narrow(address.toString(QUrl::FullyEncoded));
    if (!downloadAgain({folder->savedFileOf(url)}))
        return;
    folder->download(url, title, source);
    tabPages->setCurrentWidget(transfers);
}

void MainWindow::onDownloadAll() {
    const std::vector<SearchTab::VideoPick> videos = search->allVideos();
    const QUrl address = search->browser()->url();
    if (videos.empty() || address.isEmpty() || !folder)
        return;
    const std::string url = narrow(address.toString(QUrl::FullyEncoded));
    if (!downloadAgain({folder->savedFileOf(url)}))
        return;
    for (const SearchTab::VideoPick& video : videos)
        folder->download(url, video.title, video.source);
    tabPages->setCurrentWidget(transfers);
}

bool MainWindow::downloadAgain(const std::vector<std::string>& saved) {
    QStringList names;
    for (const std::string& path : saved)
        if (!path.empty())
            names << QFileInfo(wide(path)).fileName();
    if (names.isEmpty())
        return true;
    if (saved.size() == 1) {
        const auto answer =
            MessageBox::ask(tr("Already downloaded — open it, or download again?") +
                                QStringLiteral("\n\n") + wide(saved.front()),
                            QMessageBox::Open | QMessageBox::Retry | QMessageBox::Cancel,
                            QMessageBox::Open, this, {{QMessageBox::Retry, tr("Download &Again")}});
        if (answer == QMessageBox::Open)
            playMedia(saved.front());
        return answer == QMessageBox::Retry;
    }
    // Several at once are asked about once; there is no one file to open.
    const auto answer = MessageBox::ask(
        tr("Already downloaded — open it, or download again?") + QStringLiteral("\n\n") +
            names.join(QLatin1Char('\n')),
        QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Cancel, this,
        {{QMessageBox::Retry, tr("Download &Again")}, {QMessageBox::Cancel, tr("&Skip These")}});
    return answer == QMessageBox::Retry;
}

void MainWindow::onAbout() {
    const QString site = SiteAddress::home().toHtmlEscaped();
    MessageBox::about(tr("About Quillmoth"),
                      tr("<h3>Quillmoth %1</h3>"
                         "<p>Downloads videos from their watch pages, converts them to MP3 and "
                         "plays them.</p>"
                         "<p>Licence: GNU General Public License, version 3 or later.</p>"
                         "<p>Visit: <a href=\"%2\">%2</a></p>")
                          .arg(QStringLiteral(QUILLMOTH_VERSION), site),
                      this);
}

void MainWindow::onHelp() {
    // The desktop's browser, not a pane: the site is read beside the window.
    DesktopLaunch::open(QUrl(SiteAddress::home()));
}

void MainWindow::onHelpContents() {
    const QUrl page = HelpPage::address(Translations::windowLanguage());
    if (page.isEmpty()) {
        MessageBox::show(tr("The help page is not installed. It is looked for in:\n%1")
                             .arg(HelpPage::folders().join(QLatin1Char('\n'))),
                         this);
        return;
    }
    tabPages->setCurrentWidget(home);
    home->browser()->navigate(page.toString(QUrl::FullyEncoded));
}

void MainWindow::onClearRows() {
    // More than one row is asked about first.
    folder->clear(transfers->chosenToClear());
}

void MainWindow::onConvertRows() {
    folder->convert(transfers->chosen(TransfersTab::Action::Convert));
}

void MainWindow::onCancelRows() {
    folder->cancel(transfers->chosen(TransfersTab::Action::Cancel));
}

void MainWindow::onRetryRows() {
    folder->retry(transfers->chosen(TransfersTab::Action::Retry));
}

void MainWindow::onPauseRows() {
    folder->pause(transfers->chosen(TransfersTab::Action::Pause));
}

void MainWindow::onResumeRows() {
    folder->resume(transfers->chosen(TransfersTab::Action::Resume));
}

void MainWindow::onMoveUpRows() {
    folder->moveUp(transfers->chosenToMove(TransfersTab::Action::MoveUp));
}

void MainWindow::onMoveDownRows() {
    folder->moveDown(transfers->chosenToMove(TransfersTab::Action::MoveDown));
}

void MainWindow::onMoveToTopRows() {
    folder->moveToTop(transfers->chosenToMove(TransfersTab::Action::MoveToTop));
}

void MainWindow::onStartNowRows() {
    folder->startNow(transfers->chosen(TransfersTab::Action::StartNow));
}

void MainWindow::onClearFinished() {
    folder->clear(transfers->finishedToClear());
}

void MainWindow::onPauseOrResume() {
    // Both sets are taken first: a row just paused must not resume at once.
    const auto running = transfers->chosen(TransfersTab::Action::Pause);
    const auto paused = transfers->chosen(TransfersTab::Action::Resume);
    folder->pause(running);
    folder->resume(paused);
}

void MainWindow::onPlayTransfer() {
    const int row = transfers->chosenRow(TransfersTab::Action::Play);
    if (row >= 0)
        playMedia(transfers->model()->mediaPath(row));
}

void MainWindow::onShowTransferFolder() {
    const int row = transfers->chosenRow(TransfersTab::Action::ShowFolder);
    if (row >= 0)
        showInFileManager(transfers->model()->mediaPath(row));
}

namespace {

// The texts a clipboard or a drop holds: its links, else its lines of text.
QStringList textsOf(const QMimeData* mime) {
    QStringList texts;
    if (!mime)
        return texts;
    if (mime->hasUrls()) {
        for (const QUrl& url : mime->urls())
            texts << url.toString();
    } else if (mime->hasText()) {
        // One address a line; a line with blanks in it is no address.
        for (const QString& line : mime->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (!line.trimmed().isEmpty())
                texts << line.trimmed();
    }
    return texts;
}

} // namespace

void MainWindow::takeAddresses(const QStringList& texts) {
    QStringList addresses;
    QStringList skipped;
    for (const QString& text : texts) {
        const QUrl url(text.trimmed());
        if (isWebAddress(url))
            addresses << url.toString(QUrl::FullyEncoded);
        else
            skipped << text;
    }
    queueAddresses(addresses);
    if (!skipped.isEmpty())
        statusBar()->showMessage(
            tr("Not a web address, skipped: %1").arg(skipped.join(QStringLiteral(", "))), 15000);
}

void MainWindow::onPasteLink() {
    takePasted(QGuiApplication::clipboard()->mimeData());
}

void MainWindow::takePasted(const QMimeData* mime) {
    const QStringList texts = textsOf(mime);
    if (texts.isEmpty())
        statusBar()->showMessage(tr("Not a web address: nothing to download."), 15000);
    else
        takeAddresses(texts);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    takePasted(event->mimeData());
    event->acceptProposedAction();
}

void MainWindow::queueAddresses(const QStringList& addresses) {
    // Pages whose file is on disk are asked about first, all at once.
    std::vector<std::string> fresh;
    std::vector<std::string> again;
    std::vector<std::string> saved;
    for (const QString& address : addresses) {
        std::string url = address.toStdString();
        std::string path = folder->savedFileOf(url);
        if (path.empty()) {
            fresh.push_back(std::move(url));
        } else {
            again.push_back(std::move(url));
            saved.push_back(std::move(path));
        }
    }
    if (!again.empty() && downloadAgain(saved))
        fresh.insert(fresh.end(), again.begin(), again.end());
    for (const std::string& url : fresh)
        folder->download(url, std::string());
    if (!fresh.empty())
        tabPages->setCurrentWidget(transfers);
}

void MainWindow::onShowLibraryFolder() {
    const int row = library->chosenRow();
    if (row < 0 || !folder)
        return;
    showInFileManager(folder->library().mediaPath(row));
}

void MainWindow::showInFileManager(const std::string& path) {
    if (path.empty())
        return;
    if (!fileManager)
        fileManager = new FileManager(QDBusConnection::sessionBus(), this); // owned by the window
    fileManager->showItem(wide(path));
}

void MainWindow::playRow(int row) {
    playMedia(folder->library().mediaPath(row));
}

void MainWindow::playMedia(const std::string& path) {
    if (path.empty())
        return;
    tabPages->setCurrentWidget(home);
    home->play(path);
}

void MainWindow::onPlayLibraryRow() {
    if (const int row = library->chosenRow(); row >= 0 && folder)
        playRow(row);
}

void MainWindow::onOpenLibraryRow() {
    const int row = library->chosenRow();
    if (row < 0 || !folder)
        return;
    if (const std::string path = folder->library().mediaPath(row); !path.empty())
        DesktopLaunch::open(QUrl::fromLocalFile(wide(path)));
}

void MainWindow::onConvertLibraryRows() {
    if (!folder)
        return;
    bool started = false;
    for (int row : library->chosenRows())
        started = folder->convertFile(row) || started;
    if (started)
        statusBar()->showMessage(tr("Converting to MP3: see the Transfers tab."), 10000);
}

void MainWindow::onRenameLibraryRow() {
    const int row = library->chosenRow();
    if (row < 0 || !folder)
        return;
    const QString title = folder->library().index(row, Library::TitleColumn).data().toString();
    const QString wanted = library->askNewTitle(title);
    if (!wanted.isNull() && wanted != title)
        folder->renameFile(row, narrow(wanted));
}

void MainWindow::onDeleteLibraryRows() {
    const std::vector<int> rows = library->chosenRows();
    if (rows.empty() || !folder)
        return;
    QStringList names;
    for (int row : rows)
        names << QFileInfo(wide(folder->library().mediaPath(row))).fileName();
    const QString question = rows.size() == 1
                                 ? tr("Move %1 to the trash?").arg(names.front())
                                 : tr("Move %n files to the trash?", nullptr, int(rows.size())) +
                                       QStringLiteral("\n\n") + names.join(QLatin1Char('\n'));
    const auto answer =
        MessageBox::ask(question, QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel, this,
                        {{QMessageBox::Yes, tr("Move to &Trash")}});
    if (answer == QMessageBox::Yes)
        folder->trashFiles(rows);
}

void MainWindow::onLibraryRowDoubleClicked(int row) {
    if (!folder || tabPages->currentWidget() != library)
        return;
    playRow(row);
}

} // namespace quillmoth

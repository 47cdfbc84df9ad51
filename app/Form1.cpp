#include "Form1.h"

#include "BrowserPane.h"
#include "DownloadItems.h"
#include "Downloads.h"
#include "HomeTab.h"
#include "LibraryTab.h"
#include "ListRowEvents.h"
#include "ListView.h"
#include "Manager.h"
#include "MessageBox.h"
#include "NamedObject.h"
#include "SearchTab.h"
#include "Settings.h"
#include "SettingsTab.h"
#include "SettingsTabHandlers.h"
#include "SiteAddress.h"
#include "Text.h"
#include "TransfersTab.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

namespace Bramblet {

std::unique_ptr<NamedObject> Form1::mut;
std::unique_ptr<NamedObject> Form1::mut2;

const char* const Form1::AboutText =
    "Quillmoth Version 2.8\n\nOpen Source Docs: See install folder.";

void Form1::createNamedObjects() {
    if (!mut)
        mut = std::make_unique<NamedObject>("GlobalQuillmoth");
    if (!mut2)
        mut2 = std::make_unique<NamedObject>("Quillmoth");
}

Form1::Form1(QWidget* parent)
    : QMainWindow((createNamedObjects(), parent)), folderBrowserDialog1(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillmoth"));
    setWindowIcon(QIcon(QStringLiteral(":/quillmoth.png")));
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    setFont(font);
    resize(800, 588);
    setWindowState(windowState() | Qt::WindowMaximized);

    components = new QObject(this);
    components->setObjectName(QStringLiteral("components"));
    timer1 = new QTimer(components);
    timer1->setObjectName(QStringLiteral("timer1"));
    timer1->setInterval(Manager::IdleInterval);

    buildStatusBar();
    buildMenu();
    buildTabs();
    wire();
    timer1->start();

    mgr = std::make_unique<Manager>(transfers->list(), library->list(), settingsPage, timer1,
                                    search->titleBox());
    search->setTitleFinder([this](const std::string& html) {
        if (mgr)
            mgr->findTitle(html);
    });

    home->browser()->navigate(SiteAddress::splashPage());
    search->browser()->navigate(SiteAddress::searchPage());
}

// The timer goes first so that no tick reaches a half-destroyed Manager.
Form1::~Form1() {
    delete components;
    components = nullptr;
    timer1 = nullptr;
    mgr.reset();
}

void Form1::closeEvent(QCloseEvent* event) {
    // Nothing is asked: running transfers are cancelled, and their workers
    // get a moment to remove their temporary files and end ffmpeg.
    if (mgr)
        mgr->stopTransfers();
    event->accept();
}

void Form1::showEvent(QShowEvent* event) {
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

void Form1::buildMenu() {
    menuStrip1 = new QMenuBar(this);
    menuStrip1->setObjectName(QStringLiteral("menuStrip1"));
    menuStrip1->setLayoutDirection(Qt::RightToLeft);
    QAction* file = menuStrip1->addAction(QStringLiteral("Help"));
    file->setObjectName(QStringLiteral("fileToolStripMenuItem"));
    QAction* help = menuStrip1->addAction(QStringLiteral("About"));
    help->setObjectName(QStringLiteral("helpToolStripMenuItem"));
    connect(file, &QAction::triggered, this, &Form1::fileToolStripMenuItem_Click);
    connect(help, &QAction::triggered, this, &Form1::helpToolStripMenuItem_Click);
    setMenuBar(menuStrip1);
}

void Form1::buildStatusBar() {
    statusStrip1 = new QStatusBar(this);
    statusStrip1->setObjectName(QStringLiteral("statusStrip1"));
    toolStripStatusLabel1 = new QLabel(SiteAddress::host(), statusStrip1);
    toolStripStatusLabel1->setObjectName(QStringLiteral("toolStripStatusLabel1"));
    statusStrip1->addWidget(toolStripStatusLabel1);
    setStatusBar(statusStrip1);
}

void Form1::buildTabs() {
    tabControl1 = new QTabWidget(this);
    tabControl1->setObjectName(QStringLiteral("tabControl1"));
    tabControl1->setMinimumSize(800, 400);
    home = new HomeTab(Settings::dataFolder());
    search = new SearchTab;
    transfers = new TransfersTab;
    library = new LibraryTab;
    tabControl1->addTab(home, QStringLiteral("Home"));
    tabControl1->addTab(search, QStringLiteral("Search"));
    tabControl1->addTab(transfers, QStringLiteral("Transfers"));
    tabControl1->addTab(library, QStringLiteral("My Library"));
    settingsPage = new SettingsTab(tabControl1);
    tabControl1->addTab(settingsPage, QStringLiteral("Settings"));
    tabControl1->setCurrentIndex(0);
    setCentralWidget(tabControl1);
}

void Form1::wire() {
    connect(timer1, &QTimer::timeout, this, &Form1::timer1_Tick);
    connect(search->downloadButton(), &QPushButton::clicked, this, &Form1::downloadBtn_Click);
    connect(transfers->rowEvents(), &ListRowEvents::rowClicked, this, &Form1::transferRowClicked);
    connect(library->rowEvents(), &ListRowEvents::rowClicked, this, &Form1::libraryRowClicked);
    connect(library->rowEvents(), &ListRowEvents::rowDoubleClicked, this,
            &Form1::libraryRowDoubleClicked);
    connect(transfers->clearAction(), &QAction::triggered, this,
            &Form1::clearToolStripMenuItem_Click);
    connect(transfers->convertAction(), &QAction::triggered, this,
            &Form1::convertToMp3ToolStripMenuItem_Click);
    connect(transfers->cancelAction(), &QAction::triggered, this, &Form1::cancelClicked);
    connect(transfers->retryAction(), &QAction::triggered, this, &Form1::retryClicked);
    connect(transfers->menu(), &QMenu::aboutToShow, this, &Form1::updateTransferMenu);
    connect(library->manageAction(), &QAction::triggered, this,
            &Form1::showFolderLocationToolStripMenuItem_Click);
    connect(library->playAction(), &QAction::triggered, this, &Form1::playToolStripMenuItem_Click);
    new SettingsTabHandlers(settingsPage, folderBrowserDialog1,
                            [this] { return mgr && mgr->saveSettings(); }); // owned by the tab page
}

void Form1::selectTab(const QString& name) {
    if (auto* page = tabControl1->findChild<QWidget*>(name))
        tabControl1->setCurrentWidget(page);
}

void Form1::downloadBtn_Click() {
    const std::string title = narrow(search->titleBox()->text());
    // Encoded, so that blanks and other characters shown decoded reach the
    // HTTP client as a valid address.
    const QUrl address = search->browser()->url();
    if (address.isEmpty() || !mgr)
        return;
    if (mgr->download(narrow(address.toString(QUrl::FullyEncoded)), title))
        selectTab(QStringLiteral("transfersTab"));
}

void Form1::timer1_Tick() {
    // A message box shown while the Manager is built runs the event loop.
    if (mgr)
        mgr->tick();
}

void Form1::helpToolStripMenuItem_Click() {
    MessageBox::show(wide(AboutText), this);
}

void Form1::fileToolStripMenuItem_Click() {
    MessageBox::show(QStringLiteral("Visit: ") + SiteAddress::home(), this);
}

void Form1::transferRowClicked(int row) {
    transferRow = row;
}

void Form1::libraryRowClicked(int row) {
    libraryRow = row;
}

int Form1::chosenTransferRow() const {
    const int rows = ListView::rowCount(transfers->list());
    return mgr && transferRow >= 0 && transferRow < rows ? transferRow : -1;
}

int Form1::chosenLibraryRow() const {
    const int rows = ListView::rowCount(library->list());
    return mgr && libraryRow >= 0 && libraryRow < rows ? libraryRow : -1;
}

void Form1::clearToolStripMenuItem_Click() {
    if (const int row = chosenTransferRow(); row >= 0)
        mgr->clearItemFromView(row);
}

void Form1::convertToMp3ToolStripMenuItem_Click() {
    if (const int row = chosenTransferRow(); row >= 0)
        mgr->convert(row);
}

void Form1::cancelClicked() {
    if (const int row = chosenTransferRow(); row >= 0)
        mgr->cancel(row);
}

void Form1::retryClicked() {
    if (const int row = chosenTransferRow(); row >= 0)
        mgr->retry(row);
}

void Form1::updateTransferMenu() {
    const int row = chosenTransferRow();
    const DownloadItems* record = row >= 0 ? mgr->getDownloads().itemAtRow(row) : nullptr;
    transfers->cancelAction()->setEnabled(record && !record->complete());
    transfers->retryAction()->setEnabled(record && record->canRetry());
}

void Form1::showAtHome(const std::string& address) {
    selectTab(QStringLiteral("tabPage1"));
    home->browser()->navigate(wide(address));
}

void Form1::showFolderLocationToolStripMenuItem_Click() {
    const int row = chosenLibraryRow();
    if (row < 0)
        return;
    const std::string folder = mgr->showFolder(row);
    if (!folder.empty())
        showAtHome(folder);
}

void Form1::playRow(int row) {
    const std::string media = mgr->mediaPath(row);
    if (media.empty())
        return;
    selectTab(QStringLiteral("tabPage1"));
    home->play(media);
}

void Form1::playToolStripMenuItem_Click() {
    if (const int row = chosenLibraryRow(); row >= 0)
        playRow(row);
}

void Form1::libraryRowDoubleClicked(int row) {
    if (!mgr || tabControl1->currentIndex() != 3)
        return;
    playRow(row);
}

} // namespace Bramblet

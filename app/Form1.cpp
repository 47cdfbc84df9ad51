#include "Form1.h"

#include "BrowserPane.h"
#include "HomePlayer.h"
#include "HomeTab.h"
#include "LibraryTab.h"
#include "ListRowEvents.h"
#include "ListView.h"
#include "Manager.h"
#include "Medias.h"
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

    buildStatusBar();
    buildMenu();
    buildTabs();
    wire();

    mgr = std::make_unique<Manager>(library->list(), settingsPage, search->titleBox());
    transfers->setModel(&mgr->transferModel());
    home->setRunner(mgr->workRunner());
    search->setTitleFinder([this](const std::string& html) {
        if (mgr)
            mgr->findTitle(html);
    });

    home->browser()->navigate(SiteAddress::splashPage());
    search->browser()->navigate(SiteAddress::searchPage());
}

Form1::~Form1() {
    mgr.reset();
}

void Form1::closeEvent(QCloseEvent* event) {
    // Nothing is asked: running transfers pause and conversions stop, and
    // their workers get a moment to end ffmpeg; a playable copy in the
    // making is given up first.
    if (HomePlayer* player = home->player())
        player->stop();
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
    connect(search->downloadButton(), &QPushButton::clicked, this, &Form1::downloadBtn_Click);
    connect(library->rowEvents(), &ListRowEvents::rowClicked, this, &Form1::libraryRowClicked);
    connect(library->rowEvents(), &ListRowEvents::rowDoubleClicked, this,
            &Form1::libraryRowDoubleClicked);
    connect(transfers->clearAction(), &QAction::triggered, this,
            &Form1::clearToolStripMenuItem_Click);
    connect(transfers->convertAction(), &QAction::triggered, this,
            &Form1::convertToMp3ToolStripMenuItem_Click);
    connect(transfers->cancelAction(), &QAction::triggered, this, &Form1::cancelClicked);
    connect(transfers->retryAction(), &QAction::triggered, this, &Form1::retryClicked);
    connect(transfers->pauseAction(), &QAction::triggered, this, &Form1::pauseClicked);
    connect(transfers->resumeAction(), &QAction::triggered, this, &Form1::resumeClicked);
    connect(transfers, &TransfersTab::pauseOrResumeKey, this, &Form1::pauseOrResume);
    connect(transfers->playAction(), &QAction::triggered, this, &Form1::playTransferClicked);
    connect(transfers->showFolderAction(), &QAction::triggered, this,
            &Form1::showTransferFolderClicked);
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
    mgr->download(narrow(address.toString(QUrl::FullyEncoded)), title);
    selectTab(QStringLiteral("transfersTab"));
}

void Form1::helpToolStripMenuItem_Click() {
    MessageBox::show(wide(AboutText), this);
}

void Form1::fileToolStripMenuItem_Click() {
    MessageBox::show(QStringLiteral("Visit: ") + SiteAddress::home(), this);
}

void Form1::libraryRowClicked(int row) {
    libraryRow = row;
}

int Form1::chosenLibraryRow() const {
    const int rows = ListView::rowCount(library->list());
    return mgr && libraryRow >= 0 && libraryRow < rows ? libraryRow : -1;
}

void Form1::clearToolStripMenuItem_Click() {
    mgr->clear(transfers->chosen(TransfersTab::Action::Clear));
}

void Form1::convertToMp3ToolStripMenuItem_Click() {
    mgr->convert(transfers->chosen(TransfersTab::Action::Convert));
}

void Form1::cancelClicked() {
    mgr->cancel(transfers->chosen(TransfersTab::Action::Cancel));
}

void Form1::retryClicked() {
    mgr->retry(transfers->chosen(TransfersTab::Action::Retry));
}

void Form1::pauseClicked() {
    mgr->pause(transfers->chosen(TransfersTab::Action::Pause));
}

void Form1::resumeClicked() {
    mgr->resume(transfers->chosen(TransfersTab::Action::Resume));
}

void Form1::pauseOrResume() {
    // Both sets are taken first: a row just paused must not resume at once.
    const auto running = transfers->chosen(TransfersTab::Action::Pause);
    const auto paused = transfers->chosen(TransfersTab::Action::Resume);
    mgr->pause(running);
    mgr->resume(paused);
}

void Form1::playTransferClicked() {
    const int row = transfers->chosenRow(TransfersTab::Action::Play);
    if (row >= 0)
        playMedia(transfers->model()->mediaPath(row));
}

void Form1::showTransferFolderClicked() {
    const int row = transfers->chosenRow(TransfersTab::Action::ShowFolder);
    if (row >= 0)
        showAtHome(Medias::fileUrl(transfers->model()->folderOf(row)));
}

void Form1::queueAddresses(const QStringList& addresses) {
    for (const QString& address : addresses)
        mgr->download(address.toStdString(), std::string());
    if (!addresses.isEmpty())
        selectTab(QStringLiteral("transfersTab"));
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
    playMedia(mgr->mediaPath(row));
}

void Form1::playMedia(const std::string& path) {
    if (path.empty())
        return;
    selectTab(QStringLiteral("tabPage1"));
    home->play(path);
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

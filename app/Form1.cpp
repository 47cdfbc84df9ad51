#include "Form1.h"

#include "BrowserPane.h"
#include "HomeTab.h"
#include "LibraryTab.h"
#include "ListRowEvents.h"
#include "ListView.h"
#include "Manager.h"
#include "Medias.h"
#include "MessageBox.h"
#include "NamedObject.h"
#include "SearchTab.h"
#include "SettingsTab.h"
#include "SettingsTabHandlers.h"
#include "SiteAddress.h"
#include "Text.h"
#include "TransfersTab.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
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

    mgr = std::make_unique<Manager>(transfers->list(), library->list(), tabPage5, timer1,
                                    library->list(), search->titleBox());
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
    home = new HomeTab;
    search = new SearchTab;
    transfers = new TransfersTab;
    library = new LibraryTab;
    tabControl1->addTab(home, QStringLiteral("Home"));
    tabControl1->addTab(search, QStringLiteral("Search"));
    tabControl1->addTab(transfers, QStringLiteral("Transfers"));
    tabControl1->addTab(library, QStringLiteral("My Library"));
    tabPage5 = SettingsTab::build(tabControl1);
    tabControl1->addTab(tabPage5, QStringLiteral("Settings"));
    tabControl1->setCurrentIndex(0);
    setCentralWidget(tabControl1);
}

void Form1::wire() {
    connect(timer1, &QTimer::timeout, this, &Form1::timer1_Tick);
    connect(search->downloadButton(), &QPushButton::clicked, this, &Form1::downloadBtn_Click);
    connect(transfers->rowEvents(), &ListRowEvents::rowClicked, this, &Form1::listView1_MouseClick);
    connect(library->rowEvents(), &ListRowEvents::rowClicked, this, &Form1::listView2_MouseClick);
    connect(library->rowEvents(), &ListRowEvents::rowDoubleClicked, this,
            &Form1::listView2_MouseDoubleClick);
    connect(transfers->clearAction(), &QAction::triggered, this,
            &Form1::clearToolStripMenuItem_Click);
    connect(transfers->convertAction(), &QAction::triggered, this,
            &Form1::convertToMp3ToolStripMenuItem_Click);
    connect(library->manageAction(), &QAction::triggered, this,
            &Form1::showFolderLocationToolStripMenuItem_Click);
    connect(library->playAction(), &QAction::triggered, this, &Form1::playToolStripMenuItem_Click);
    new SettingsTabHandlers(tabPage5, folderBrowserDialog1,
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

void Form1::listView1_MouseClick(int row) {
    selectedInd = row;
}

void Form1::listView2_MouseClick(int row) {
    selectedInd2 = row;
}

void Form1::clearToolStripMenuItem_Click() {
    const int rows = ListView::rowCount(transfers->list());
    if (mgr && selectedInd >= 0 && selectedInd < rows)
        mgr->clearItemFromView(selectedInd);
}

void Form1::convertToMp3ToolStripMenuItem_Click() {
    const int rows = ListView::rowCount(transfers->list());
    if (mgr && rows > 0 && selectedInd >= 0 && selectedInd < rows)
        mgr->convert(selectedInd);
}

void Form1::showHomeLocation() {
    home->browser()->navigate(wide(Medias::loc));
    selectTab(QStringLiteral("tabPage1"));
}

void Form1::showFolderLocationToolStripMenuItem_Click() {
    const int rows = ListView::rowCount(library->list());
    if (!mgr || rows == 0 || selectedInd2 < 0 || selectedInd2 >= rows)
        return;
    mgr->showFolder(selectedInd2);
    showHomeLocation();
}

void Form1::playRow(int row) {
    const QTreeWidget* list = library->list();
    mgr->play(narrow(ListView::cellText(list, row, 0)), narrow(ListView::cellText(list, row, 1)));
    showHomeLocation();
}

void Form1::playToolStripMenuItem_Click() {
    const int rows = ListView::rowCount(library->list());
    if (!mgr || rows == 0 || selectedInd2 < 0 || selectedInd2 >= rows)
        return;
    playRow(selectedInd2);
}

void Form1::listView2_MouseDoubleClick(int row) {
    if (!mgr || tabControl1->currentIndex() != 3)
        return;
    playRow(row);
}

} // namespace Bramblet

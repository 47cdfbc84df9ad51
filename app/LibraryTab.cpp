#include "LibraryTab.h"

#include "LibraryView.h"
#include "ListRowEvents.h"

#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

LibraryTab::LibraryTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("libraryTab"));
    files = LibraryView::build(this);

    libraryMenu = new QMenu(files);
    libraryMenu->setObjectName(QStringLiteral("libraryMenu"));
    showFolder = libraryMenu->addAction(QStringLiteral("manage"));
    showFolder->setObjectName(QStringLiteral("libraryShowFolderAction"));
    play = libraryMenu->addAction(QStringLiteral("play"));
    play->setObjectName(QStringLiteral("libraryPlayAction"));
    events = new ListRowEvents(files, libraryMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(files);
}

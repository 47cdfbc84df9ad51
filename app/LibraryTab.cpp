#include "LibraryTab.h"

#include "LibraryView.h"
#include "ListRowEvents.h"

#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

LibraryTab::LibraryTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabPage4"));
    files = LibraryView::build(this);

    contextMenuStrip2 = new QMenu(files);
    contextMenuStrip2->setObjectName(QStringLiteral("contextMenuStrip2"));
    showFolderLocationToolStripMenuItem = contextMenuStrip2->addAction(QStringLiteral("manage"));
    showFolderLocationToolStripMenuItem->setObjectName(
        QStringLiteral("showFolderLocationToolStripMenuItem"));
    playToolStripMenuItem = contextMenuStrip2->addAction(QStringLiteral("play"));
    playToolStripMenuItem->setObjectName(QStringLiteral("playToolStripMenuItem"));
    events = new ListRowEvents(files, contextMenuStrip2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(files);
}

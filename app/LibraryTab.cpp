#include "LibraryTab.h"

#include "CutTextTips.h"
#include "EmptyListHint.h"
#include "LibraryView.h"
#include "ListRowEvents.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

LibraryTab::LibraryTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("libraryTab"));
    files = LibraryView::build(this);

    libraryMenu = new QMenu(files);
    libraryMenu->setObjectName(QStringLiteral("libraryMenu"));
    showFolder = libraryMenu->addAction(tr("Show in &Folder"));
    showFolder->setObjectName(QStringLiteral("libraryShowFolderAction"));
    play = libraryMenu->addAction(tr("&Play"));
    play->setObjectName(QStringLiteral("libraryPlayAction"));
    events = new ListRowEvents(files, libraryMenu);
    files->setTextElideMode(Qt::ElideMiddle);
    new CutTextTips(files); // owned by the list
    new EmptyListHint(
        files, tr("Nothing here yet — saved videos and MP3s are listed here")); // owned by the list
    files->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(files);
}

int LibraryTab::chosenRow() const {
    QTreeWidgetItem* current = files->currentItem();
    if (current && current->isSelected())
        return files->indexOfTopLevelItem(current);
    int first = -1;
    for (QTreeWidgetItem* item : files->selectedItems()) {
        const int row = files->indexOfTopLevelItem(item);
        if (first < 0 || row < first)
            first = row;
    }
    return first;
}

bool LibraryTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == files && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            play->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

#include "LibraryTab.h"

#include "CutTextTips.h"
#include "EmptyListHint.h"
#include "LibraryView.h"
#include "ListRowEvents.h"
#include "SearchKey.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

LibraryTab::LibraryTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("libraryTab"));
    files = LibraryView::build(this);
    files->setAccessibleName(tr("Library"));

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

    filter = new QLineEdit(this);
    filter->setObjectName(QStringLiteral("libraryFilter"));
    filter->setPlaceholderText(tr("Filter by title (Ctrl+F)"));
    filter->setAccessibleName(tr("Filter by title"));
    filter->setClearButtonEnabled(true);
    filter->installEventFilter(this);
    connect(filter, &QLineEdit::textChanged, this, &LibraryTab::applyFilter);
    // Rows added later (a transfer saved a file) follow the filter too.
    connect(files->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row)
                    showIfMatching(files->topLevelItem(row));
            });
    auto* find = new QShortcut(QKeySequence::Find, this, [this] {
        filter->setFocus(Qt::ShortcutFocusReason);
        filter->selectAll();
    });
    find->setContext(Qt::WidgetWithChildrenShortcut);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(filter);
    layout->addWidget(files);
}

void LibraryTab::applyFilter(const QString& text) {
    filterKey = searchKey(text.trimmed());
    for (int row = 0; row < files->topLevelItemCount(); ++row)
        showIfMatching(files->topLevelItem(row));
}

void LibraryTab::showIfMatching(QTreeWidgetItem* item) {
    if (!item)
        return;
    // Keys are made once per row, not at every key press.
    QVariant key = item->data(0, KeyRole);
    if (!key.isValid()) {
        key = searchKey(item->text(0));
        item->setData(0, KeyRole, key);
    }
    const bool shown = filterKey.isEmpty() || key.toString().contains(filterKey);
    if (!shown)
        item->setSelected(false); // actions never reach a row the user cannot see
    item->setHidden(!shown);
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
    if (watched == filter && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !filter->text().isEmpty()) {
        filter->clear();
        return true;
    }
    if (watched == files && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            play->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

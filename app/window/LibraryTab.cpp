#include "app/window/LibraryTab.h"

#include "library/Library.h"
#include "library/LibraryFilter.h"
#include "toolkit/CutTextTips.h"
#include "toolkit/EmptyListHint.h"
#include "toolkit/KeyboardMenu.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

LibraryTab::LibraryTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("libraryTab"));
    files = new QTreeView(this);
    files->setObjectName(QStringLiteral("libraryList"));
    files->setAccessibleName(tr("Library"));
    files->setRootIsDecorated(false);
    files->setItemsExpandable(false);
    files->setUniformRowHeights(true);
    // Unlike the transfer list, several library rows may be selected at once.
    files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files->setSelectionBehavior(QAbstractItemView::SelectRows);
    files->setAllColumnsShowFocus(true);
    files->setSortingEnabled(false);
    files->setTextElideMode(Qt::ElideMiddle);
    files->header()->setSectionsClickable(false);
    files->header()->setSectionsMovable(false);
    files->header()->setStretchLastSection(false);
    shown = new LibraryFilter(this);
    files->setModel(shown);

    libraryMenu = new QMenu(files);
    libraryMenu->setObjectName(QStringLiteral("libraryMenu"));
    showFolder = libraryMenu->addAction(tr("Show in &Folder"));
    showFolder->setObjectName(QStringLiteral("libraryShowFolderAction"));
    play = libraryMenu->addAction(tr("&Play"));
    play->setObjectName(QStringLiteral("libraryPlayAction"));
    // Shown only: the list's own key handling plays (a context menu's
    // action never takes its key).
    play->setShortcut(QKeySequence(Qt::Key_Return));
    play->setShortcutVisibleInContextMenu(true);
    files->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(files, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { libraryMenu->popup(files->viewport()->mapToGlobal(at)); });
    connect(files, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        emit rowDoubleClicked(shown->mapToSource(index).row());
    });
    new KeyboardMenu(files);                               // owned by the list
    new CutTextTips(files);                                // owned by the list
    emptyHint = new EmptyListHint(files, nothingListed()); // owned by the list
    files->installEventFilter(this);

    filter = new QLineEdit(this);
    filter->setObjectName(QStringLiteral("libraryFilter"));
    filter->setPlaceholderText(tr("Filter by title (Ctrl+F)"));
    filter->setAccessibleName(tr("Filter by title"));
    filter->setClearButtonEnabled(true);
    filter->installEventFilter(this);
    connect(filter, &QLineEdit::textChanged, this, &LibraryTab::applyFilter);
    auto* find = new QShortcut(QKeySequence::Find, this, [this] {
        filter->setFocus(Qt::ShortcutFocusReason);
        filter->selectAll();
    }); // owned by the tab
    find->setContext(Qt::WidgetWithChildrenShortcut);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(filter);
    layout->addWidget(files);
}

QString LibraryTab::nothingListed() {
    return tr("Nothing here yet — saved videos and MP3s are listed here");
}

void LibraryTab::setLibrary(Library* library) {
    shown->setSourceModel(library);
    // The title takes the width the window has to spare.
    if (library && files->header()->count() == Library::ColumnCount) {
        files->header()->setSectionResizeMode(Library::TitleColumn, QHeaderView::Stretch);
        files->setColumnWidth(Library::TypeColumn, 80);
    }
}

void LibraryTab::applyFilter(const QString& text) {
    // Rows the filter hides leave the view, and with it the selection:
    // actions never reach a row the user cannot see.
    shown->setText(text);
    // An empty list under a filter is the filter's doing, not the library's.
    if (QLabel* hint = emptyHint->label())
        hint->setText(shown->isFiltering() ? tr("No title matches the filter") : nothingListed());
    // The filter changes the layout, which the hint does not follow by itself.
    emptyHint->followModel();
}

int LibraryTab::chosenRow() const {
    const QItemSelectionModel* selection = files->selectionModel();
    const QModelIndex current = files->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), current.parent()))
        return shown->mapToSource(current).row();
    int first = -1;
    for (const QModelIndex& index : selection->selectedRows()) {
        const int row = shown->mapToSource(index).row();
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

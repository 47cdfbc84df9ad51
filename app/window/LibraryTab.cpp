#include "app/window/LibraryTab.h"

#include "base/MediaFormat.h"
#include "library/Library.h"
#include "library/LibraryFilter.h"
#include "toolkit/CutTextTips.h"
#include "toolkit/EmptyListHint.h"
#include "toolkit/KeyboardMenu.h"
#include "toolkit/Text.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

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
    files->setTextElideMode(Qt::ElideMiddle);
    files->header()->setSectionsMovable(false);
    files->header()->setStretchLastSection(false);
    shown = new LibraryFilter(this);
    files->setModel(shown);
    // The order the folders were listed in until a header is clicked; the
    // header then sorts, its arrow showing which way.
    files->header()->setSortIndicator(-1, Qt::AscendingOrder);
    files->setSortingEnabled(true);
    files->header()->setSortIndicatorShown(true);
    files->header()->setSectionsClickable(true);

    libraryMenu = new QMenu(files);
    libraryMenu->setObjectName(QStringLiteral("libraryMenu"));
    // The keys are shown only: the list's own key handling acts (a context
    // menu's action never takes its key).
    showFolder = addAction(tr("Show in &Folder"), "libraryShowFolderAction", {});
    play = addAction(tr("&Play"), "libraryPlayAction", QKeySequence(Qt::Key_Return));
    openWith = addAction(tr("&Open With Default Application"), "libraryOpenWithAction", {});
    libraryMenu->addSeparator();
    convert = addAction(tr("&Convert to MP3"), "libraryConvertAction", {});
    rename = addAction(tr("&Rename…"), "libraryRenameAction", QKeySequence(Qt::Key_F2));
    remove = addAction(tr("&Delete…"), "libraryDeleteAction", QKeySequence(Qt::Key_Delete));
    connect(libraryMenu, &QMenu::aboutToShow, this, &LibraryTab::updateActions);
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

QAction* LibraryTab::addAction(const QString& text, const char* name, const QKeySequence& key) {
    QAction* action = libraryMenu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutVisibleInContextMenu(true);
    return action;
}

QString LibraryTab::nothingListed() {
    return tr("Nothing here yet — saved videos and MP3s are listed here");
}

void LibraryTab::setLibrary(Library* library) {
    shown->setSourceModel(library);
    // The title takes the width the window has to spare.
    if (library && files->header()->count() == Library::ColumnCount) {
        files->header()->setSectionResizeMode(Library::TitleColumn, QHeaderView::Stretch);
        files->setColumnWidth(Library::TypeColumn, 60);
        files->setColumnWidth(Library::FolderColumn, 220);
        files->setColumnWidth(Library::SizeColumn, 90);
        files->setColumnWidth(Library::ModifiedColumn, 190);
    }
    if (library)
        connect(files->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &LibraryTab::updateActions, Qt::UniqueConnection);
    updateActions();
}

namespace {

bool isMovie(const QString& type) {
    const MediaFormat format = MediaFormat::ofExtension(narrow(type));
    return format.whole() && !format.audio;
}

} // namespace

void LibraryTab::updateActions() {
    const std::vector<int> rows = chosenRows();
    const bool one = chosenRow() >= 0;
    bool movie = false;
    if (const auto* library = qobject_cast<const Library*>(shown->sourceModel()))
        for (int row : rows)
            movie = movie || isMovie(library->index(row, Library::TypeColumn).data().toString());
    for (QAction* action : {play, showFolder, openWith, rename})
        action->setEnabled(one);
    remove->setEnabled(!rows.empty());
    convert->setEnabled(movie);
}

QString LibraryTab::askNewTitle(const QString& title) {
    if (askName)
        return askName(title);
    bool given = false;
    const QString answer = QInputDialog::getText(this, tr("Rename"), tr("New name:"),
                                                 QLineEdit::Normal, title, &given);
    return given ? answer : QString();
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

std::vector<int> LibraryTab::chosenRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : files->selectionModel()->selectedRows())
        rows.push_back(shown->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
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
        if (key == Qt::Key_F2 || key == Qt::Key_Delete) {
            updateActions();
            QAction* action = key == Qt::Key_F2 ? rename : remove;
            if (action->isEnabled())
                action->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

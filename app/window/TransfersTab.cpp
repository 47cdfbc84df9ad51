#include "TransfersTab.h"

#include "EmptyListHint.h"
#include "KeyboardMenu.h"
#include "MessageBox.h"
#include "ProgressDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QAction* addNamedAction(QMenu* menu, const QString& text, const QString& name,
                        const QKeySequence& key = {}) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    // Shown only: an action of a context menu alone never takes its key,
    // which the list's own key handling carries out.
    action->setShortcut(key);
    action->setShortcutVisibleInContextMenu(true);
    return action;
}

constexpr int ColumnWidths[TransferModel::ColumnCount] = {300, 200, 300, 180, 100, 210};

const QString columnsKey = QStringLiteral("window/transferColumns");
const QString sortColumnKey = QStringLiteral("window/transferSortColumn");
const QString sortOrderKey = QStringLiteral("window/transferSortOrder");

} // namespace

TransfersTab::TransfersTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("transfersTab"));
    transferList = new QTreeView(this);
    transferList->setObjectName(QStringLiteral("transferList"));
    transferList->setAccessibleName(tr("Transfers"));
    transferList->setRootIsDecorated(false);
    transferList->setItemsExpandable(false);
    // One height for every row: thousands of history rows lay out at once.
    transferList->setUniformRowHeights(true);
    transferList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    transferList->setSelectionBehavior(QAbstractItemView::SelectRows);
    transferList->setAllColumnsShowFocus(true);
    sorted = new QSortFilterProxyModel(this);
    sorted->setSortRole(TransferModel::SortRole);
    sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    sorted->setSortLocaleAware(true);
    // Rows that update keep their places: a sort on speed or progress
    // would move them under the pointer.
    sorted->setDynamicSortFilter(false);
    connect(sorted, &QAbstractItemModel::rowsInserted, this, &TransfersTab::sortAgain);
    // Ascending, descending, then the list's own order.
    transferList->header()->setSortIndicatorClearable(true);
    transferList->header()->setSortIndicator(-1, Qt::AscendingOrder);
    transferList->setSortingEnabled(true);
    transferList->header()->setSectionsMovable(false);
    transferList->header()->setStretchLastSection(false);
    delegate = new ProgressDelegate(transferList);
    transferList->setItemDelegate(delegate);
    transferList->installEventFilter(this);

    transferMenu = new QMenu(transferList);
    transferMenu->setObjectName(QStringLiteral("transferMenu"));
    pause = addNamedAction(transferMenu, tr("&Pause"), QStringLiteral("pauseAction"),
                           QKeySequence(Qt::Key_Space));
    resume = addNamedAction(transferMenu, tr("&Resume"), QStringLiteral("resumeAction"),
                            QKeySequence(Qt::Key_Space));
    cancel = addNamedAction(transferMenu, tr("&Cancel"), QStringLiteral("cancelAction"));
    retry = addNamedAction(transferMenu, tr("Re&try"), QStringLiteral("retryAction"));
    startNow = addNamedAction(transferMenu, tr("Start &Now"), QStringLiteral("startNowAction"));
    clear = addNamedAction(transferMenu, tr("C&lear"), QStringLiteral("clearAction"),
                           QKeySequence(Qt::Key_Delete));
    clearFinished =
        addNamedAction(transferMenu, tr("Clear F&inished"), QStringLiteral("clearFinishedAction"));
    convert = addNamedAction(transferMenu, tr("Con&vert to MP3"), QStringLiteral("convertAction"));
    transferMenu->addSeparator();
    moveUp = addNamedAction(transferMenu, tr("Move &Up"), QStringLiteral("moveUpAction"),
                            QKeySequence(Qt::CTRL | Qt::Key_Up));
    moveDown = addNamedAction(transferMenu, tr("Move &Down"), QStringLiteral("moveDownAction"),
                              QKeySequence(Qt::CTRL | Qt::Key_Down));
    moveToTop = addNamedAction(transferMenu, tr("Move to T&op"), QStringLiteral("moveToTopAction"));
    transferMenu->addSeparator();
    play = addNamedAction(transferMenu, tr("Pl&ay"), QStringLiteral("playAction"),
                          QKeySequence(Qt::Key_Return));
    showFolder =
        addNamedAction(transferMenu, tr("Show in &Folder"), QStringLiteral("showFolderAction"));
    connect(transferMenu, &QMenu::aboutToShow, this, &TransfersTab::updateActions);
    transferList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(transferList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        transferMenu->popup(transferList->viewport()->mapToGlobal(at));
    });
    new KeyboardMenu(transferList); // owned by the list
    updateActions();

    // Long titles keep their start and end; the delegate shows a cut
    // cell's text on hover.
    transferList->setTextElideMode(Qt::ElideMiddle);
    emptyHint = new EmptyListHint(
        transferList, tr("No downloads yet — find a video on Search and press Download"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(transferList);
}

void TransfersTab::setModel(TransferModel* model) {
    transferModel = model;
    sorted->setSourceModel(model);
    transferList->setModel(sorted);
    for (int column = 0; column < TransferModel::ColumnCount; ++column)
        transferList->setColumnWidth(column, ColumnWidths[column]);
    // The status takes the width the window has to spare.
    transferList->header()->setSectionResizeMode(TransferModel::StatusColumn, QHeaderView::Stretch);
    emptyHint->followModel();
    // The selection model is the view's new one. Rows change state without
    // a selection change: the menu and the keys look again before acting.
    connect(transferList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TransfersTab::selectionChanged);
    // A look at the files may change a selected row at any time.
    connect(model, &QAbstractItemModel::dataChanged, this, &TransfersTab::updateActions);
    updateActions();
}

std::vector<int> TransfersTab::selectedRows() const {
    std::vector<int> rows;
    if (!transferModel || !transferList->selectionModel())
        return rows;
    // Top to bottom as the view shows them, each as the model's row.
    std::vector<int> shown;
    for (const QModelIndex& index : transferList->selectionModel()->selectedRows())
        shown.push_back(index.row());
    std::sort(shown.begin(), shown.end());
    for (int row : shown)
        rows.push_back(sorted->mapToSource(sorted->index(row, 0)).row());
    return rows;
}

std::vector<std::int64_t> TransfersTab::chosen(Action action) const {
    std::vector<std::int64_t> ids;
    for (int row : selectedRows())
        if (transferModel->applies(action, row))
            ids.push_back(transferModel->idAt(row));
    return ids;
}

std::vector<std::int64_t> TransfersTab::chosenToClear() {
    updateActions();
    return askToClear(chosen(Action::Clear));
}

std::vector<std::int64_t> TransfersTab::finishedToClear() {
    std::vector<std::int64_t> ids;
    if (!transferModel)
        return ids;
    for (int row = 0; row < transferModel->rowCount(); ++row)
        if (transferModel->applies(Action::Clear, row))
            ids.push_back(transferModel->idAt(row));
    return askToClear(std::move(ids));
}

std::vector<std::int64_t> TransfersTab::chosenToMove(Action action) {
    // Moved rows are seen moving only in the list's order.
    transferList->header()->setSortIndicator(-1, Qt::AscendingOrder);
    updateActions();
    std::vector<std::int64_t> ids = chosen(action);
    // A row moved down or to the top goes before the next one does, so
    // that the selected rows keep their order.
    if (action != Action::MoveUp)
        std::reverse(ids.begin(), ids.end());
    return ids;
}

std::vector<std::int64_t> TransfersTab::askToClear(std::vector<std::int64_t> ids) {
    if (ids.size() < 2)
        return ids;
    // Only a failed download keeps a part file until its row goes.
    const TransferList& list = transferModel->transfers();
    const bool partFiles = std::any_of(ids.begin(), ids.end(), [&](std::int64_t id) {
        const TransferRecord& record = list.at(*list.rowOf(id));
        return record.state == TransferState::Failed && !record.resume.partFile.empty();
    });
    const int count = static_cast<int>(ids.size());
    const QString question =
        partFiles
            ? tr("Clear %n transfers? Their part files are removed.", nullptr, count)
            : tr("Clear %n transfers? Their saved files stay where they are.", nullptr, count);
    if (MessageBox::ask(question, QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel,
                        window(), {{QMessageBox::Discard, tr("C&lear")}}) != QMessageBox::Discard)
        ids.clear();
    return ids;
}

int TransfersTab::chosenRow(Action action) const {
    const std::vector<int> rows = selectedRows();
    const int current = sorted->mapToSource(transferList->currentIndex()).row();
    if (std::find(rows.begin(), rows.end(), current) != rows.end() &&
        transferModel->applies(action, current))
        return current;
    for (int row : rows)
        if (transferModel->applies(action, row))
            return row;
    return -1;
}

void TransfersTab::selectionChanged() {
    std::vector<std::int64_t> ids;
    for (int row : selectedRows())
        ids.push_back(transferModel->idAt(row));
    if (!ids.empty())
        emit filesMayHaveMoved(ids);
    updateActions();
}

void TransfersTab::updateActions() {
    const std::vector<int> rows = selectedRows();
    const std::pair<QAction*, Action> actions[] = {
        {pause, Action::Pause},         {resume, Action::Resume},
        {cancel, Action::Cancel},       {retry, Action::Retry},
        {clear, Action::Clear},         {convert, Action::Convert},
        {play, Action::Play},           {showFolder, Action::ShowFolder},
        {moveUp, Action::MoveUp},       {moveDown, Action::MoveDown},
        {moveToTop, Action::MoveToTop}, {startNow, Action::StartNow}};
    for (const auto& [menuAction, action] : actions)
        menuAction->setEnabled(std::any_of(rows.begin(), rows.end(), [&](int row) {
            return transferModel->applies(action, row);
        }));
    bool ended = false;
    for (int row = 0; transferModel && row < transferModel->rowCount() && !ended; ++row)
        ended = transferModel->applies(Action::Clear, row);
    clearFinished->setEnabled(ended);
}

void TransfersTab::sortAgain() {
    if (sorted->sortColumn() < 0)
        return;
    // Once the insert is over: the proxy is still taking its rows now.
    QMetaObject::invokeMethod(
        this, [this] { sorted->sort(sorted->sortColumn(), sorted->sortOrder()); },
        Qt::QueuedConnection);
}

void TransfersTab::saveLayout(QSettings& layout) const {
    layout.setValue(columnsKey, transferList->header()->saveState());
    layout.setValue(sortColumnKey, transferList->header()->sortIndicatorSection());
    layout.setValue(sortOrderKey, static_cast<int>(transferList->header()->sortIndicatorOrder()));
}

void TransfersTab::restoreLayout(const QSettings& layout) {
    QHeaderView* header = transferList->header();
    header->restoreState(layout.value(columnsKey).toByteArray());
    // The sort is kept apart: a header state from before sorting names a
    // column it never sorted on.
    header->setSortIndicatorShown(true);
    const int column = layout.value(sortColumnKey, -1).toInt();
    const auto order = layout.value(sortOrderKey).toInt() == Qt::DescendingOrder
                           ? Qt::DescendingOrder
                           : Qt::AscendingOrder;
    header->setSortIndicator(column >= 0 && column < TransferModel::ColumnCount ? column : -1,
                             order);
}

bool TransfersTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched != transferList || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    // Before the view's own handling: Space would toggle the selection.
    const auto* press = static_cast<QKeyEvent*>(event);
    const int key = press->key();
    if (press->modifiers() == Qt::ControlModifier && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        updateActions();
        (key == Qt::Key_Up ? moveUp : moveDown)->trigger();
        return true;
    }
    if (key == Qt::Key_Space || key == Qt::Key_Delete || key == Qt::Key_Return ||
        key == Qt::Key_Enter)
        updateActions();
    switch (key) {
    case Qt::Key_Space:
        emit pauseOrResumeKey();
        return true;
    case Qt::Key_Delete:
        clear->trigger();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        play->trigger();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TransfersTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (transferModel)
        emit filesMayHaveMoved({});
}

bool TransfersTab::event(QEvent* event) {
    // A window that becomes active hands this on to its visible children.
    if (event->type() == QEvent::WindowActivate && transferModel)
        emit filesMayHaveMoved({});
    return QWidget::event(event);
}

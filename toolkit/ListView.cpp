#include "ListView.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {

// Every cell of a row, visible or not, is kept in this role of column 0 so
// that a row may carry cells beyond the visible columns (the tree would
// otherwise grow its header to show them).
constexpr int CellsRole = Qt::UserRole + 0x51;

QTreeWidgetItem* itemAt(const QTreeWidget* view, int row) {
    if (!view || row < 0 || row >= view->topLevelItemCount())
        return nullptr;
    return view->topLevelItem(row);
}

QStringList cellsOf(const QTreeWidgetItem* item) {
    return item->data(0, CellsRole).toStringList();
}

} // namespace

namespace ListView {

QTreeWidget* create(QWidget* parent, const QString& name, const std::vector<Column>& columns) {
    auto* view = new QTreeWidget(parent); // owned by its parent
    view->setObjectName(name);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAllColumnsShowFocus(true);
    view->setSortingEnabled(false);
    view->setColumnCount(static_cast<int>(columns.size()));
    QStringList labels;
    for (const Column& column : columns)
        labels << column.text;
    view->setHeaderLabels(labels);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        view->setColumnWidth(i, columns[i].width);
    view->header()->setSectionsClickable(false);
    view->header()->setSectionsMovable(false);
    view->header()->setStretchLastSection(false);
    return view;
}

int addRow(QTreeWidget* view, const QStringList& cells) {
    auto* item = new QTreeWidgetItem(); // the view takes ownership below
    item->setData(0, CellsRole, cells);
    for (int i = 0; i < cells.size() && i < view->columnCount(); ++i)
        item->setText(i, cells[i]);
    view->addTopLevelItem(item);
    return view->topLevelItemCount() - 1;
}

void removeRow(QTreeWidget* view, int row) {
    if (!itemAt(view, row))
        return;
    // A widget placed over a cell goes with its row.
    delete view->takeTopLevelItem(row);
}

int rowCount(const QTreeWidget* view) {
    return view ? view->topLevelItemCount() : 0;
}

int cellCount(const QTreeWidget* view, int row) {
    const QTreeWidgetItem* item = itemAt(view, row);
    return item ? static_cast<int>(cellsOf(item).size()) : 0;
}

QString cellText(const QTreeWidget* view, int row, int cell) {
    const QTreeWidgetItem* item = itemAt(view, row);
    if (!item || cell < 0)
        return QString();
    const QStringList cells = cellsOf(item);
    return cell < cells.size() ? cells[cell] : QString();
}

void setCellText(QTreeWidget* view, int row, int cell, const QString& text) {
    QTreeWidgetItem* item = itemAt(view, row);
    if (!item || cell < 0)
        return;
    QStringList cells = cellsOf(item);
    while (cells.size() <= cell)
        cells << QString();
    cells[cell] = text;
    item->setData(0, CellsRole, cells);
    if (cell < view->columnCount())
        item->setText(cell, text);
}

QRect rowBounds(const QTreeWidget* view, int row) {
    const QTreeWidgetItem* item = itemAt(view, row);
    if (!item)
        return QRect();
    QRect bounds = view->visualItemRect(item);
    // Cover every visible column, like a full-row selection does.
    bounds.setLeft(-view->header()->offset());
    bounds.setWidth(view->header()->length());
    return bounds;
}

QRect cellBounds(const QTreeWidget* view, int row, int cell) {
    const QTreeWidgetItem* item = itemAt(view, row);
    if (!item || cell < 0 || cell >= view->columnCount())
        return QRect();
    const QRect rowRect = view->visualItemRect(item);
    const QHeaderView* header = view->header();
    return QRect(header->sectionViewportPosition(cell), rowRect.top(), header->sectionSize(cell),
                 rowRect.height());
}

int rowAt(const QTreeWidget* view, const QPoint& point) {
    if (!view)
        return -1;
    if (point.x() < 0 || point.x() >= view->viewport()->width())
        return -1;
    // Any column of the row counts, like a full-row hit test.
    const QPoint probe(0, point.y());
    QTreeWidgetItem* item = view->itemAt(probe);
    if (!item)
        item = view->itemAt(point);
    return item ? view->indexOfTopLevelItem(item) : -1;
}

void setCellWidget(QTreeWidget* view, int row, int cell, QWidget* widget) {
    QTreeWidgetItem* item = itemAt(view, row);
    if (!item || cell < 0 || cell >= view->columnCount())
        return;
    // The view owns the widget from here on and deletes it with its row.
    view->setItemWidget(item, cell, widget);
}

QWidget* cellWidget(const QTreeWidget* view, int row, int cell) {
    QTreeWidgetItem* item = itemAt(view, row);
    if (!item || cell < 0 || cell >= view->columnCount())
        return nullptr;
    return view->itemWidget(item, cell);
}

} // namespace ListView

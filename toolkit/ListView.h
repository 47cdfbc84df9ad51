#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QTreeWidget;
class QWidget;

// A list view in detail mode on QTreeWidget: no root decoration, full-row,
// single selection, headers that do not react to clicks. A row may hold more
// cells than there are visible columns (the library keeps a folder there).
namespace ListView {

struct Column {
    QString text;
    int width;
};

QTreeWidget* create(QWidget* parent, const QString& name, const std::vector<Column>& columns);

// Appends a row of text cells; returns its index.
int addRow(QTreeWidget* view, const QStringList& cells);
void removeRow(QTreeWidget* view, int row);
int rowCount(const QTreeWidget* view);
int cellCount(const QTreeWidget* view, int row);
QString cellText(const QTreeWidget* view, int row, int cell);
void setCellText(QTreeWidget* view, int row, int cell, const QString& text);

// Bounds of a row (or of one of its cells) in viewport coordinates.
QRect rowBounds(const QTreeWidget* view, int row);
QRect cellBounds(const QTreeWidget* view, int row, int cell);
// The row under a viewport point, or -1.
int rowAt(const QTreeWidget* view, const QPoint& point);

// Places a widget (a progress bar) over a cell so that it follows its row.
void setCellWidget(QTreeWidget* view, int row, int cell, QWidget* widget);
QWidget* cellWidget(const QTreeWidget* view, int row, int cell);

} // namespace ListView

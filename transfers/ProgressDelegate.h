#pragma once

#include <QStyledItemDelegate>

// Paints the Progress cell of each transfer row as a progress bar drawn by
// the style (no widget per row, so thousands of rows stay light), and shows
// a cell's tool tip only where the cell cuts its text.
class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ProgressDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

#pragma once

#include <QObject>

class QAbstractItemView;

// Shows a cell's whole text as a tooltip when the cell is too narrow for it
// (and nothing when it fits), so that no cut title or status stays unread.
// Owned by the view.
class CutTextTips : public QObject {
    Q_OBJECT
public:
    explicit CutTextTips(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractItemView* view;
    // Kept from construction: the viewport still sends events while the view
    // is being destroyed, when view->viewport() may no longer be called.
    QWidget* viewport;
};

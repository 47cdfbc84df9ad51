#pragma once

#include <QObject>

class QMenu;
class QTreeWidget;
class QWidget;

// Mouse clicks and double-clicks on a list's rows, and its context menu,
// which opens on a right-click after that click has named the row.
class ListRowEvents : public QObject {
    Q_OBJECT
public:
    ListRowEvents(QTreeWidget* list, QMenu* menu);

signals:
    // A click of any button on a row (not on the empty area).
    void rowClicked(int row);
    void rowDoubleClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* list;
    // Kept from construction: the viewport still sends events while the list
    // is being destroyed, when list->viewport() may no longer be called.
    QWidget* viewport;
    QMenu* menu;
};

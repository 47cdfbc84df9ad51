#pragma once

#include <QObject>

class QMenu;
class QTreeWidget;
class QWidget;

// Double-clicks on a list's rows, and its context menu (right-click or the
// Menu key), which acts on the selected rows.
class ListRowEvents : public QObject {
    Q_OBJECT
public:
    ListRowEvents(QTreeWidget* list, QMenu* menu);

signals:
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

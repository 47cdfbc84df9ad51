#pragma once

#include <QObject>

class QAbstractItemView;

// Shift+F10 on a list opens its context menu where the Menu key does: at
// the current row, through the same context menu event. Qt maps only the
// Menu key on X11 and Wayland. Owned by the view it watches.
class KeyboardMenu : public QObject {
    Q_OBJECT
public:
    explicit KeyboardMenu(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractItemView* view;
};

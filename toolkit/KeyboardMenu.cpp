#include "toolkit/KeyboardMenu.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>

KeyboardMenu::KeyboardMenu(QAbstractItemView* view) : QObject(view), view(view) {
    view->installEventFilter(this);
}

bool KeyboardMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier)
        return QObject::eventFilter(watched, event);
    // Where Qt puts the Menu key's event: the middle of the current row, in
    // the viewport's coordinates.
    const QRect row = view->visualRect(view->currentIndex());
    const QPoint at = row.isValid() ? row.center() : QPoint(0, 0);
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, view->viewport()->mapToGlobal(at),
                           Qt::NoModifier);
    QCoreApplication::sendEvent(view, &menu);
    return true;
}

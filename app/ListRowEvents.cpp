#include "ListRowEvents.h"

#include "ListView.h"

#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

ListRowEvents::ListRowEvents(QTreeWidget* list, QMenu* menu)
    : QObject(list), list(list), viewport(list->viewport()), menu(menu) {
    viewport->installEventFilter(this);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        this->menu->popup(this->list->viewport()->mapToGlobal(pos));
    });
}

bool ListRowEvents::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int row = ListView::rowAt(list, mouse->position().toPoint());
            if (row >= 0)
                emit rowDoubleClicked(row);
        }
    }
    return QObject::eventFilter(watched, event);
}

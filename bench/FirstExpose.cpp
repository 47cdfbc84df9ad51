#include "FirstExpose.h"

#include <QEvent>
#include <QWindow>

bool FirstExpose::eventFilter(QObject* watched, QEvent* event) {
    if (!exposed && event->type() == QEvent::Expose) {
        const auto* window = qobject_cast<QWindow*>(watched);
        if (window && window->isExposed())
            exposed = Clock::now();
    }
    return QObject::eventFilter(watched, event);
}

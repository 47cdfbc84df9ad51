#include "ControlFinder.h"

#include <QMainWindow>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

namespace {

// Widgets Qt places between a container and the children the program added
// (a tab widget's page stack, a scroll area's viewport), or unnamed holders
// a layout needed. They are looked through, never matched.
bool isPassThrough(const QObject* child) {
    if (!child->isWidgetType())
        return false;
    const QString name = child->objectName();
    return name.isEmpty() || name.startsWith(QLatin1String("qt_"));
}

QObject* findIn(QObject* container, const QString& name, int depth) {
    if (QObject* direct = container->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return direct;
    if (depth == 0)
        return nullptr;
    for (QObject* child : container->children()) {
        if (isPassThrough(child)) {
            if (QObject* found = findIn(child, name, depth - 1))
                return found;
        }
    }
    return nullptr;
}

} // namespace

QObject* findControl(QObject* container, const QString& name) {
    if (!container || name.isEmpty())
        return nullptr;
    if (auto* window = qobject_cast<QMainWindow*>(container)) {
        if (QObject* found = findIn(window, name, 3))
            return found;
        if (QWidget* central = window->centralWidget()) {
            if (central->objectName() == name)
                return central;
            return findIn(central, name, 3);
        }
        return nullptr;
    }
    // Three levels covers a tab widget's stack, a scroll area's viewport and
    // its inner widget, and an unnamed holder inside either.
    return findIn(container, name, 3);
}

QObject* findControlPath(QObject* root, const QStringList& path) {
    QObject* current = root;
    for (const QString& name : path) {
        if (!current)
            return nullptr;
        current = findControl(current, name);
    }
    return current;
}

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Finds a control by its name among the direct children of a container, the
// way the window addresses its controls. Containers whose pages sit behind an
// internal widget (tab widgets, group boxes with layouts) are looked through.
QObject* findControl(QObject* container, const QString& name);

// Follows a path of names from a root, one level at a time; null when any
// step is missing.
QObject* findControlPath(QObject* root, const QStringList& path);

template <typename T> T* findControlAs(QObject* container, const QString& name) {
    return qobject_cast<T*>(findControl(container, name));
}

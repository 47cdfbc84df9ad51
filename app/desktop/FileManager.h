#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Shows a file in the desktop's file manager with the file selected
// (org.freedesktop.FileManager1.ShowItems over the session bus). Where no
// file manager answers, or the file is gone, its folder opens with the
// desktop's handler for folders instead, and where nothing opens that, a
// message box says so. Asynchronous: the window's thread
// never waits for the bus. Window thread only.
class FileManager : public QObject {
    Q_OBJECT
public:
    explicit FileManager(QDBusConnection bus, QObject* parent = nullptr);

    void showItem(const QString& path);

private:
    QDBusConnection bus;
};

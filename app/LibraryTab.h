#pragma once

#include <QWidget>

class ListRowEvents;
class QAction;
class QMenu;
class QTreeWidget;

// "My Library": the media files and the "manage" / "play" menu.
class LibraryTab : public QWidget {
    Q_OBJECT
public:
    explicit LibraryTab(QWidget* parent = nullptr);

    QTreeWidget* list() const { return files; }
    QMenu* menu() const { return libraryMenu; }
    ListRowEvents* rowEvents() const { return events; }
    QAction* showFolderAction() const { return showFolder; }
    QAction* playAction() const { return play; }

private:
    QTreeWidget* files;
    QMenu* libraryMenu;
    QAction* showFolder;
    QAction* play;
    ListRowEvents* events;
};

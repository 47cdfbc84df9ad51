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
    QMenu* menu() const { return contextMenuStrip2; }
    ListRowEvents* rowEvents() const { return events; }
    QAction* manageAction() const { return showFolderLocationToolStripMenuItem; }
    QAction* playAction() const { return playToolStripMenuItem; }

private:
    QTreeWidget* files;
    QMenu* contextMenuStrip2;
    QAction* showFolderLocationToolStripMenuItem;
    QAction* playToolStripMenuItem;
    ListRowEvents* events;
};

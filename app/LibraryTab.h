#pragma once

#include <QWidget>

class ListRowEvents;
class QAction;
class QMenu;
class QTreeWidget;

// "My Library": the media files and the Show in Folder / Play menu, which act
// on the selected row; Enter plays it.
class LibraryTab : public QWidget {
    Q_OBJECT
public:
    explicit LibraryTab(QWidget* parent = nullptr);

    QTreeWidget* list() const { return files; }
    QMenu* menu() const { return libraryMenu; }
    ListRowEvents* rowEvents() const { return events; }
    QAction* showFolderAction() const { return showFolder; }
    QAction* playAction() const { return play; }
    // The row the actions act on: the current row when it is selected, else
    // the first selected one; -1 when none is.
    int chosenRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* files;
    QMenu* libraryMenu;
    QAction* showFolder;
    QAction* play;
    ListRowEvents* events;
};

#pragma once

#include <QWidget>

class ListRowEvents;
class QAction;
class QLineEdit;
class QTreeWidgetItem;
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
    // Filters the rows by title as typed: case-insensitive and blind to
    // accents. Esc clears it, Ctrl+F goes to it.
    QLineEdit* filterBox() const { return filter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where a row keeps its title's search key.
    static constexpr int KeyRole = Qt::UserRole + 16;
    void applyFilter(const QString& text);
    void showIfMatching(QTreeWidgetItem* item);

    QTreeWidget* files;
    QMenu* libraryMenu;
    QAction* showFolder;
    QAction* play;
    ListRowEvents* events;
    QLineEdit* filter;
    QString filterKey;
};

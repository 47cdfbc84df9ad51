#pragma once

#include <QWidget>

class Library;
class LibraryFilter;
class EmptyListHint;
class QAction;
class QLineEdit;
class QMenu;
class QTreeView;

// "My Library": the library's files under a filter box, and the Show in
// Folder / Play menu, which act on the selected row; Enter plays it (the
// menu shows it), Shift+F10 or the Menu key opens the menu. Rows
// are the library's (source) rows wherever a row number goes in or out.
class LibraryTab : public QWidget {
    Q_OBJECT
public:
    explicit LibraryTab(QWidget* parent = nullptr);

    // The rows to show; the library must outlive the tab or be set anew.
    void setLibrary(Library* library);

    QTreeView* list() const { return files; }
    QMenu* menu() const { return libraryMenu; }
    QAction* showFolderAction() const { return showFolder; }
    QAction* playAction() const { return play; }
    // The row the actions act on: the current row when it is selected, else
    // the first selected one; -1 when none is.
    int chosenRow() const;
    // Filters the rows by title as typed: case-insensitive and blind to
    // accents; rows it hides leave the selection. Esc clears it, Ctrl+F goes
    // to it.
    QLineEdit* filterBox() const { return filter; }

signals:
    void rowDoubleClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString nothingListed();
    void applyFilter(const QString& text);

    QTreeView* files;
    LibraryFilter* shown;
    EmptyListHint* emptyHint;
    QMenu* libraryMenu;
    QAction* showFolder;
    QAction* play;
    QLineEdit* filter;
};

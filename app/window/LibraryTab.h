#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class Library;
class LibraryFilter;
class EmptyListHint;
class QAction;
class QLineEdit;
class QMenu;
class QTreeView;

// "My Library": the library's files under a filter box, sorted by the column
// whose header was clicked (an arrow shows the order), and the menu of
// actions on the selected rows: Play, Show in Folder, Open With, Convert to
// MP3 (movies), Rename and Delete. Enter plays, F2 renames, Delete deletes
// (the menu shows the keys); Shift+F10 or the Menu key opens the menu. Rows
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
    QAction* openWithAction() const { return openWith; }
    QAction* convertAction() const { return convert; }
    QAction* renameAction() const { return rename; }
    QAction* deleteAction() const { return remove; }
    // The row the actions act on: the current row when it is selected, else
    // the first selected one; -1 when none is.
    int chosenRow() const;
    // Every selected row, in the library's order.
    std::vector<int> chosenRows() const;
    // Filters the rows by title as typed: case-insensitive and blind to
    // accents; rows it hides leave the selection. Esc clears it, Ctrl+F goes
    // to it.
    QLineEdit* filterBox() const { return filter; }

    // Asks for a file's new title, given its title now; a null text when the
    // user cancels. Tests replace the dialog.
    using NamePrompt = std::function<QString(const QString& title)>;
    void setNamePrompt(NamePrompt prompt) { askName = std::move(prompt); }
    QString askNewTitle(const QString& title);

signals:
    void rowDoubleClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString nothingListed();
    void applyFilter(const QString& text);
    // The actions offer only what the selected rows allow.
    void updateActions();
    QAction* addAction(const QString& text, const char* name, const QKeySequence& key);

    QTreeView* files;
    LibraryFilter* shown;
    EmptyListHint* emptyHint;
    QMenu* libraryMenu;
    QAction* play;
    QAction* showFolder;
    QAction* openWith;
    QAction* convert;
    QAction* rename;
    QAction* remove;
    QLineEdit* filter;
    NamePrompt askName;
};

#pragma once

#include "TransferModel.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class EmptyListHint;
class ProgressDelegate;
class QAction;
class QMenu;
class QSettings;
class QSortFilterProxyModel;
class QTreeView;

// "Transfers": one row per transfer (title, progress bar, status, speed
// with time left while bytes arrive, size, when added) over the window's
// TransferModel, and the menu of what can be done to the selected rows.
// Each action is enabled when it applies to any selected row and acts on
// every one it applies to; Clear Finished takes every ended row.
// Keys: Space pauses or resumes, Delete clears ended rows, Enter plays,
// Ctrl+Up and Ctrl+Down move queued rows (the menu shows them); Shift+F10
// or the Menu key opens the menu. A finished row whose file was moved or
// deleted says so, and offers Retry.
//
// A header click sorts on the column's raw values (ascending, descending,
// then the list's own order, which is the queue's); rows that update stay
// where they are until the next sort or a new row. Rows here are the
// model's: the view's are mapped through the sorting proxy.
class TransfersTab : public QWidget {
    Q_OBJECT
public:
    using Action = TransferModel::Action;

    explicit TransfersTab(QWidget* parent = nullptr);

    // The model must outlive its use here (the view forgets it when it goes).
    void setModel(TransferModel* model);
    TransferModel* model() const { return transferModel; }

    QTreeView* list() const { return transferList; }
    QMenu* menu() const { return transferMenu; }
    QAction* pauseAction() const { return pause; }
    QAction* resumeAction() const { return resume; }
    QAction* cancelAction() const { return cancel; }
    QAction* retryAction() const { return retry; }
    QAction* clearAction() const { return clear; }
    QAction* convertAction() const { return convert; }
    QAction* playAction() const { return play; }
    QAction* showFolderAction() const { return showFolder; }
    QAction* moveUpAction() const { return moveUp; }
    QAction* moveDownAction() const { return moveDown; }
    QAction* moveToTopAction() const { return moveToTop; }
    QAction* startNowAction() const { return startNow; }
    QAction* clearFinishedAction() const { return clearFinished; }

    // Ids of the selected transfers the action applies to, top to bottom.
    std::vector<std::int64_t> chosen(Action action) const;
    // The rows Clear takes; clearing more than one asks first, and nothing
    // is taken when the user says no.
    std::vector<std::int64_t> chosenToClear();
    // Every ended row, asked about as Clear asks.
    std::vector<std::int64_t> finishedToClear();
    // The rows a move takes, in the list's order (the view shows it again,
    // so that the move is seen): bottom first for MoveDown and MoveToTop.
    std::vector<std::int64_t> chosenToMove(Action action);
    // The selected row Play and Show in Folder use: the current row when it
    // is selected and applies, else the first selected one that does; -1.
    int chosenRow(Action action) const;

    // Enables each action by the selection of now.
    void updateActions();

    // The columns' widths and the sort, kept in the window's layout file.
    void saveLayout(QSettings& layout) const;
    void restoreLayout(const QSettings& layout);

signals:
    // Space on the list: pause what runs, resume what is paused.
    void pauseOrResumeKey();
    // The user may have moved or deleted the files of these transfers (all
    // of them when empty): the selection changed, the tab shows, the window
    // comes back. Whoever holds the list looks again.
    void filesMayHaveMoved(const std::vector<std::int64_t>& ids);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::vector<int> selectedRows() const;
    std::vector<std::int64_t> askToClear(std::vector<std::int64_t> ids);
    // A new row takes its place in the sort of now.
    void sortAgain();
    void selectionChanged();

    // Every child below is owned by this page through Qt's parents.
    QTreeView* transferList;
    ProgressDelegate* delegate;
    QMenu* transferMenu;
    QAction* pause;
    QAction* resume;
    QAction* cancel;
    QAction* retry;
    QAction* clear;
    QAction* convert;
    QAction* play;
    QAction* showFolder;
    QAction* moveUp;
    QAction* moveDown;
    QAction* moveToTop;
    QAction* startNow;
    QAction* clearFinished;
    QSortFilterProxyModel* sorted;
    EmptyListHint* emptyHint;
    // Null once the model is gone (the DataFolder goes before the window).
    QPointer<TransferModel> transferModel;
};

#pragma once

#include <QWidget>

class ListRowEvents;
class QAction;
class QMenu;
class QTreeWidget;

// "Transfers": one row per transfer (title, progress bar, status, and speed
// with time left while bytes arrive) and the "clear" / "convert to mp3" /
// "cancel" / "retry" menu.
class TransfersTab : public QWidget {
    Q_OBJECT
public:
    explicit TransfersTab(QWidget* parent = nullptr);

    QTreeWidget* list() const { return transferList; }
    QMenu* menu() const { return contextMenuStrip1; }
    ListRowEvents* rowEvents() const { return events; }
    QAction* clearAction() const { return clearToolStripMenuItem; }
    QAction* convertAction() const { return convertToMp3ToolStripMenuItem; }
    QAction* cancelAction() const { return cancelToolStripMenuItem; }
    QAction* retryAction() const { return retryToolStripMenuItem; }

private:
    // Every child below is owned by this page through Qt's parents.
    QTreeWidget* transferList;
    QMenu* contextMenuStrip1;
    QAction* clearToolStripMenuItem;
    QAction* convertToMp3ToolStripMenuItem;
    QAction* cancelToolStripMenuItem;
    QAction* retryToolStripMenuItem;
    ListRowEvents* events;
};

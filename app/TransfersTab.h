#pragma once

#include <QWidget>

class ListRowEvents;
class QAction;
class QMenu;
class QTreeWidget;

// "Transfers": one row per transfer and the "clear" / "convert to mp3" menu.
class TransfersTab : public QWidget {
    Q_OBJECT
public:
    explicit TransfersTab(QWidget* parent = nullptr);

    QTreeWidget* list() const { return listView1; }
    QMenu* menu() const { return contextMenuStrip1; }
    ListRowEvents* rowEvents() const { return events; }
    QAction* clearAction() const { return clearToolStripMenuItem; }
    QAction* convertAction() const { return convertToMp3ToolStripMenuItem; }

private:
    QTreeWidget* listView1;
    QMenu* contextMenuStrip1;
    QAction* clearToolStripMenuItem;
    QAction* convertToMp3ToolStripMenuItem;
    ListRowEvents* events;
};

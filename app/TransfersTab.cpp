#include "TransfersTab.h"

#include "ListRowEvents.h"
#include "ListView.h"

#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

TransfersTab::TransfersTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("transfersTab"));
    listView1 = ListView::create(this, QStringLiteral("listView1"),
                                 {{QStringLiteral("Title"), 300},
                                  {QStringLiteral("Progress"), 200},
                                  {QStringLiteral("Status"), 300}});

    contextMenuStrip1 = new QMenu(listView1);
    contextMenuStrip1->setObjectName(QStringLiteral("contextMenuStrip1"));
    clearToolStripMenuItem = contextMenuStrip1->addAction(QStringLiteral("clear"));
    clearToolStripMenuItem->setObjectName(QStringLiteral("clearToolStripMenuItem"));
    convertToMp3ToolStripMenuItem = contextMenuStrip1->addAction(QStringLiteral("convert to mp3"));
    convertToMp3ToolStripMenuItem->setObjectName(QStringLiteral("convertToMp3ToolStripMenuItem"));
    events = new ListRowEvents(listView1, contextMenuStrip1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listView1);
}

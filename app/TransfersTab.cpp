#include "TransfersTab.h"

#include "ListRowEvents.h"
#include "ListView.h"

#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QAction* addNamedAction(QMenu* menu, const QString& text, const QString& name) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

} // namespace

TransfersTab::TransfersTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("transfersTab"));
    transferList = ListView::create(this, QStringLiteral("listView1"),
                                    {{QStringLiteral("Title"), 300},
                                     {QStringLiteral("Progress"), 200},
                                     {QStringLiteral("Status"), 300},
                                     {QStringLiteral("Speed"), 180}});

    contextMenuStrip1 = new QMenu(transferList);
    contextMenuStrip1->setObjectName(QStringLiteral("contextMenuStrip1"));
    clearToolStripMenuItem = addNamedAction(contextMenuStrip1, QStringLiteral("clear"),
                                            QStringLiteral("clearToolStripMenuItem"));
    convertToMp3ToolStripMenuItem =
        addNamedAction(contextMenuStrip1, QStringLiteral("convert to mp3"),
                       QStringLiteral("convertToMp3ToolStripMenuItem"));
    cancelToolStripMenuItem = addNamedAction(contextMenuStrip1, QStringLiteral("cancel"),
                                             QStringLiteral("cancelToolStripMenuItem"));
    retryToolStripMenuItem = addNamedAction(contextMenuStrip1, QStringLiteral("retry"),
                                            QStringLiteral("retryToolStripMenuItem"));
    events = new ListRowEvents(transferList, contextMenuStrip1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(transferList);
}

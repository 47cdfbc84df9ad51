#include "LibraryView.h"

#include "ListView.h"

QTreeWidget* LibraryView::build(QWidget* parent) {
    return ListView::create(parent, QStringLiteral("listView2"),
                            {{QStringLiteral("Title"), 300}, {QStringLiteral("Type"), 80}});
}

#include "LibraryView.h"

#include "ListView.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTreeWidget>

QTreeWidget* LibraryView::build(QWidget* parent) {
    QTreeWidget* view =
        ListView::create(parent, QStringLiteral("libraryList"),
                         {{QCoreApplication::translate("LibraryView", "Title"), 300},
                          {QCoreApplication::translate("LibraryView", "Type"), 80}});
    // Unlike the transfer list, several library rows may be selected at once.
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The title takes the width the window has to spare.
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    return view;
}

#pragma once

class QTreeWidget;
class QWidget;

// The library list of the "My Library" tab: listView2 with its two columns.
class LibraryView {
public:
    static QTreeWidget* build(QWidget* parent);
};

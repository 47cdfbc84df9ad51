#pragma once

class QTreeWidget;
class QWidget;

// The library list of the "My Library" tab with its two visible columns.
class LibraryView {
public:
    static QTreeWidget* build(QWidget* parent);
};

#include "library/LibraryFilter.h"

#include "library/Library.h"
#include "toolkit/SearchKey.h"

LibraryFilter::LibraryFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    // Sizes and times sort as numbers, texts as the user's language orders them.
    setSortRole(Library::SortRole);
    setSortLocaleAware(true);
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void LibraryFilter::setText(const QString& text) {
    const QString wanted = searchKey(text.trimmed());
    if (wanted == key)
        return;
    key = wanted;
    // One layout change rather than a removal per run of hidden rows: a key
    // press over thousands of rows would otherwise send thousands of signals.
    // Persistent indexes of rows now hidden, and so their selection, go.
    invalidate();
}

bool LibraryFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (key.isEmpty())
        return true;
    const QModelIndex title = sourceModel()->index(sourceRow, Library::TitleColumn, sourceParent);
    return title.data(Library::SearchKeyRole).toString().contains(key);
}

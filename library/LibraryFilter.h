#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// The library's rows whose title holds a text, blind to case and accents
// (searchKey); every row while the text is empty. Rows added later follow.
// Sorted on the library's raw values (Library::SortRole).
class LibraryFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit LibraryFilter(QObject* parent = nullptr);

    void setText(const QString& text);
    bool isFiltering() const { return !key.isEmpty(); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString key;
};

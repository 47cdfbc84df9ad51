#pragma once

#include "ProgressScale.h"
#include "TransferList.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QMetaType>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class QTimer;

// The transfer list as the Transfers tab's table: one row per record, in
// the list's order. It observes the list, so it lives on the window's
// thread like the list itself.
class TransferModel : public QAbstractTableModel, public TransferList::Observer {
    Q_OBJECT
public:
    enum Column {
        TitleColumn,
        ProgressColumn,
        StatusColumn,
        SpeedColumn,
        SizeColumn,
        AddedColumn,
        ColumnCount
    };
    // The Progress cell's bar, a ProgressScale: busy while a job runs
    // without a known total, full once done.
    static constexpr int ProgressRole = Qt::UserRole + 1;
    // What a column sorts on: the raw value behind the text (a title, a
    // fraction done, a state, bytes a second, bytes, seconds since the epoch).
    static constexpr int SortRole = Qt::UserRole + 2;
    // Speed cells are worked out again at most this often: a few texts a
    // second are all anyone reads, and each costs a repaint.
    static constexpr std::chrono::milliseconds rateInterval{500};

    // What the Transfers tab's menu and keys do to a row.
    using Action = TransferList::Action;

    // Becomes the list's observer; the list must outlive this model.
    explicit TransferModel(TransferList& list, QObject* parent = nullptr);
    ~TransferModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    TransferList& transfers() const { return list; }
    std::int64_t idAt(int row) const;
    // Whether the action does anything to the row now, as the list decides.
    bool applies(Action action, int row) const;
    // The file Play opens: the movie, or the MP3 when no movie was kept (or
    // it is gone); empty while nothing was saved. folderOf: the folder it is in.
    std::string mediaPath(int row) const;
    std::string folderOf(int row) const;

    // The speed cells from the rates of now, after telling the list which
    // transfers went quiet. The model's timer calls it while any runs.
    void refreshRates(std::chrono::steady_clock::time_point now);

    // TransferList::Observer
    void aboutToInsert(std::size_t row) override;
    void aboutToRemove(std::size_t row) override;
    void inserted(std::size_t row) override;
    void changed(std::size_t row) override;
    void removed(std::size_t row) override;
    void aboutToReorder() override;
    void reordered(const std::vector<std::pair<std::size_t, std::size_t>>& moves) override;
    void saved(const TransferRecord& record, bool mp3) override;
    void ended(const TransferRecord& record) override;

signals:
    // Passed on from the list, on the window's thread.
    void fileSaved(const TransferRecord& record, bool mp3);
    void transferEnded(const TransferRecord& record);

private:
    bool validRow(int row) const;
    QVariant sortValue(const TransferRecord& record, int row, int column) const;
    QVariant statusIcon(const TransferRecord& record) const;
    // The Speed cell of a converting row: the time it still needs.
    QString conversionText(std::size_t row) const;
    void setSpeed(std::size_t row, QString text);
    void watchRates();

    TransferList& list;
    // The desktop's error icon, taken when first shown.
    mutable QIcon errorIcon;
    // The speed text each row shows, kept in step with the list's rows.
    std::vector<QString> speeds;
    // Owned through parent.
    QTimer* rateTimer;
};

Q_DECLARE_METATYPE(ProgressScale)

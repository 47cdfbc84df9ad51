#include "TransferModel.h"

#include "PercentText.h"
#include "RateText.h"
#include "ReasonTexts.h"
#include "Text.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace {

using State = TransferState;

// What a row's bar shows. A conversion shows how much of the sound ffmpeg
// has made MP3, busy until it says; an ended job's bar keeps where its bytes
// got.
ProgressScale barOf(const TransferRecord& record,
                    const std::optional<TransferList::Conversion>& conversion) {
    if (record.state == State::Done)
        return record.total > 0 ? ProgressScale::fit(double(record.total), double(record.total))
                                : ProgressScale{1, 1};
    if (record.state == State::Converting)
        return conversion && conversion->total > 0
                   ? ProgressScale::fit(conversion->total, conversion->done)
                   : ProgressScale{};
    if (record.kind == TransferKind::Conversion)
        return {1, 0};
    if (record.total > 0)
        return ProgressScale::fit(double(record.total), double(record.received));
    return record.state == State::Running ? ProgressScale{} : ProgressScale{1, 0};
}

// "42%", or "In progress" while the size is unknown.
QString progressText(const ProgressScale& bar) {
    if (bar.busy())
        return TransferModel::tr("In progress");
    return PercentText::of(static_cast<int>(100LL * bar.value / bar.maximum));
}

// What the Progress column sorts on: done so far, a busy bar before none.
double doneFraction(const ProgressScale& bar) {
    return bar.busy() ? -1.0 : double(bar.value) / double(bar.maximum);
}

// The size shown: the whole file's once known, else what came so far.
std::int64_t sizeOf(const TransferRecord& record) {
    return record.total > 0 ? record.total : record.received;
}

QString sizeText(std::int64_t bytes) {
    if (bytes <= 0)
        return {};
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString addedText(std::int64_t secondsSinceEpoch) {
    if (secondsSinceEpoch <= 0)
        return {};
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch),
                              QLocale::ShortFormat);
}

} // namespace

TransferModel::TransferModel(TransferList& list, QObject* parent)
    : QAbstractTableModel(parent), list(list), speeds(list.size()), rateTimer(new QTimer(this)) {
    rateTimer->setInterval(rateInterval);
    connect(rateTimer, &QTimer::timeout, this,
            [this] { refreshRates(std::chrono::steady_clock::now()); });
    list.setObserver(this);
    watchRates();
}

TransferModel::~TransferModel() {
    list.setObserver(nullptr);
}

int TransferModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list.size());
}

int TransferModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TransferModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !validRow(index.row()))
        return {};
    const TransferRecord& record = list.at(static_cast<std::size_t>(index.row()));
    if (role == SortRole)
        return sortValue(record, index.row(), index.column());
    if (role == Qt::DecorationRole)
        return index.column() == StatusColumn ? statusIcon(record) : QVariant();
    if (role == ProgressRole)
        return index.column() == ProgressColumn
                   ? QVariant::fromValue(
                         barOf(record, list.conversionAt(static_cast<std::size_t>(index.row()))))
                   : QVariant();
    // The bar, read out: what a screen reader says for the progress cell.
    if (role == Qt::AccessibleTextRole && index.column() == ProgressColumn)
        return progressText(
            barOf(record, list.conversionAt(static_cast<std::size_t>(index.row()))));
    // A failed row's icon tells why.
    if (role == Qt::ToolTipRole && index.column() == StatusColumn &&
        record.state == State::Failed && record.error != Reason::None)
        return ReasonTexts::text(record.error, record.detail);
    if (role == Qt::TextAlignmentRole)
        return index.column() == SizeColumn
                   ? QVariant(static_cast<int>(Qt::AlignRight | Qt::AlignVCenter))
                   : QVariant();
    // Tool tips carry the whole text; the delegate shows them only where
    // the cell cuts it.
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case TitleColumn:
        // An address given without a title is named by its page once the
        // job has read it; until then the row shows where it comes from.
        return wide(record.title.empty() ? record.pageUrl : record.title);
    case StatusColumn:
        if (list.filesGone(static_cast<std::size_t>(index.row())))
            //: A finished transfer whose file is no longer where it was saved.
            return tr("File moved or deleted");
        return ReasonTexts::text(record.status, record.detail);
    case SpeedColumn:
        return speeds[static_cast<std::size_t>(index.row())];
    case SizeColumn:
        return sizeText(sizeOf(record));
    case AddedColumn:
        return addedText(record.addedAt);
    default:
        return {};
    }
}

QVariant TransferModel::sortValue(const TransferRecord& record, int row, int column) const {
    const auto at = static_cast<std::size_t>(row);
    switch (column) {
    case TitleColumn:
        return wide(record.title.empty() ? record.pageUrl : record.title);
    case ProgressColumn:
        return doneFraction(barOf(record, list.conversionAt(at)));
    case StatusColumn:
        return static_cast<int>(record.state);
    case SpeedColumn: {
        const auto speed = list.speedAt(at);
        return speed ? speed->bytesPerSecond : -1.0;
    }
    case SizeColumn:
        return static_cast<qlonglong>(sizeOf(record));
    case AddedColumn:
        return static_cast<qlonglong>(record.addedAt);
    default:
        return {};
    }
}

QVariant TransferModel::statusIcon(const TransferRecord& record) const {
    if (record.state != State::Failed)
        return {};
    if (errorIcon.isNull())
        errorIcon =
            QIcon::fromTheme(QStringLiteral("dialog-error"),
                             QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical));
    return errorIcon;
}

QVariant TransferModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return tr("Title");
    case ProgressColumn:
        return tr("Progress");
    case StatusColumn:
        return tr("Status");
    case SpeedColumn:
        return tr("Speed");
    case SizeColumn:
        return tr("Size");
    case AddedColumn:
        //: When the transfer was added to the list.
        return tr("Added");
    default:
        return {};
    }
}

bool TransferModel::validRow(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < list.size();
}

std::int64_t TransferModel::idAt(int row) const {
    return validRow(row) ? list.at(static_cast<std::size_t>(row)).id : 0;
}

bool TransferModel::applies(Action action, int row) const {
    return validRow(row) && list.can(action, idAt(row));
}

std::string TransferModel::mediaPath(int row) const {
    if (!validRow(row))
        return {};
    const TransferRecord& record = list.at(static_cast<std::size_t>(row));
    // The movie deleted, its MP3 is what is left to play.
    std::error_code error;
    if (record.moviePath.empty() ||
        (!record.mp3Path.empty() && !std::filesystem::is_regular_file(record.moviePath, error)))
        return record.mp3Path;
    return record.moviePath;
}

std::string TransferModel::folderOf(int row) const {
    const std::string path = mediaPath(row);
    return path.empty() ? path : std::filesystem::path(path).parent_path().string();
}

void TransferModel::refreshRates(std::chrono::steady_clock::time_point now) {
    list.noteStalls(now);
    bool moving = false;
    for (std::size_t row = 0; row < list.size(); ++row) {
        moving = moving || list.rateAt(row);
        const auto speed = list.speedAt(row);
        setSpeed(row,
                 speed ? RateText::of(speed->bytesPerSecond, speed->left) : conversionText(row));
    }
    if (!moving && list.runningCount() == 0)
        rateTimer->stop();
}

QString TransferModel::conversionText(std::size_t row) const {
    const std::optional<TransferList::Conversion> conversion = list.conversionAt(row);
    if (!conversion || !conversion->left)
        return {};
    return RateText::timeLeft(*conversion->left);
}

void TransferModel::setSpeed(std::size_t row, QString text) {
    if (speeds[row] == text)
        return;
    speeds[row] = std::move(text);
    const QModelIndex cell = index(static_cast<int>(row), SpeedColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void TransferModel::watchRates() {
    // Idle lists cost no wake-ups.
    if (list.runningCount() > 0 && !rateTimer->isActive())
        rateTimer->start();
}

// Qt's views and selection work out their new rows from the old count.
void TransferModel::aboutToInsert(std::size_t row) {
    const int at = static_cast<int>(row);
    beginInsertRows({}, at, at);
}

void TransferModel::aboutToRemove(std::size_t row) {
    const int at = static_cast<int>(row);
    beginRemoveRows({}, at, at);
}

void TransferModel::inserted(std::size_t row) {
    speeds.insert(speeds.begin() + static_cast<std::ptrdiff_t>(row), QString());
    endInsertRows();
    watchRates();
}

void TransferModel::changed(std::size_t row) {
    // A job that moves no bytes any more shows no speed at once.
    if (!list.rateAt(row) && !list.conversionAt(row))
        setSpeed(row, QString());
    const int at = static_cast<int>(row);
    emit dataChanged(index(at, 0), index(at, ColumnCount - 1));
    watchRates();
}

void TransferModel::removed(std::size_t row) {
    speeds.erase(speeds.begin() + static_cast<std::ptrdiff_t>(row));
    endRemoveRows();
}

void TransferModel::aboutToReorder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TransferModel::reordered(const std::vector<std::pair<std::size_t, std::size_t>>& moves) {
    std::vector<QString> before = speeds;
    std::vector<int> newRow(speeds.size());
    for (std::size_t row = 0; row < newRow.size(); ++row)
        newRow[row] = static_cast<int>(row);
    for (const auto& [from, to] : moves) {
        speeds[to] = before[from];
        newRow[from] = static_cast<int>(to);
    }
    // The selection and the current row go with their rows.
    const QModelIndexList old = persistentIndexList();
    QModelIndexList now;
    for (const QModelIndex& cell : old)
        now << index(newRow[static_cast<std::size_t>(cell.row())], cell.column());
    changePersistentIndexList(old, now);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TransferModel::saved(const TransferRecord& record, bool mp3) {
    emit fileSaved(record, mp3);
}

void TransferModel::ended(const TransferRecord& record) {
    emit transferEnded(record);
}

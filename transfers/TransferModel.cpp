#include "TransferModel.h"

#include "RateText.h"
#include "ReasonTexts.h"
#include "Text.h"

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
    return TransferModel::tr("%1%").arg(100LL * bar.value / bar.maximum);
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
    if (role == ProgressRole)
        return index.column() == ProgressColumn
                   ? QVariant::fromValue(
                         barOf(record, list.conversionAt(static_cast<std::size_t>(index.row()))))
                   : QVariant();
    // The bar, read out: what a screen reader says for the progress cell.
    if (role == Qt::AccessibleTextRole && index.column() == ProgressColumn)
        return progressText(
            barOf(record, list.conversionAt(static_cast<std::size_t>(index.row()))));
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
    default:
        return {};
    }
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
        const TransferRate* rate = list.rateAt(row);
        moving = moving || rate;
        setSpeed(row, rate ? RateText::of(*rate) : conversionText(row));
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

void TransferModel::saved(const TransferRecord& record, bool mp3) {
    emit fileSaved(record, mp3);
}

void TransferModel::ended(const TransferRecord& record) {
    emit transferEnded(record);
}

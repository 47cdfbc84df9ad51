#include "ProgressDelegate.h"

#include "PercentText.h"
#include "ProgressScale.h"
#include "TransferModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QToolTip>

#include <algorithm>

namespace {

QStyle* styleOf(const QStyleOptionViewItem& option) {
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

ProgressDelegate::ProgressDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QVariant value = index.data(TransferModel::ProgressRole);
    if (!value.canConvert<ProgressScale>()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    QStyle* style = styleOf(option);
    // The row's background and selection first, as the other cells have it.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, option.widget);

    const ProgressScale scale = value.value<ProgressScale>();
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.state = (option.state & QStyle::State_Enabled) | QStyle::State_Horizontal;
    bar.direction = option.direction;
    bar.palette = option.palette;
    bar.fontMetrics = option.fontMetrics;
    // A busy bar is the range 0..0.
    bar.minimum = 0;
    bar.maximum = scale.maximum;
    bar.progress = scale.value;
    bar.textVisible = !scale.busy();
    if (!scale.busy())
        bar.text =
            PercentText::of(static_cast<int>(100LL * scale.value / std::max(scale.maximum, 1)));
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

bool ProgressDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!event || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QStyle* style = styleOf(option);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, option.widget);
    // A failed row's icon always tells why.
    if (!cell.icon.isNull())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const bool cut = !cell.text.isEmpty() &&
                     cell.fontMetrics.horizontalAdvance(cell.text) > textRect.width() - 2 * margin;
    if (cut)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // Nothing hidden, nothing to tell.
    QToolTip::hideText();
    return true;
}

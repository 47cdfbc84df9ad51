#include "toolkit/CutTextTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

CutTextTips::CutTextTips(QAbstractItemView* view)
    : QObject(view), view(view), viewport(view->viewport()) {
    viewport->installEventFilter(this);
}

bool CutTextTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || watched != viewport)
        return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = view->indexAt(help->pos());
    const QString text = index.data(Qt::DisplayRole).toString();
    const int margins =
        2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const bool cut = !text.isEmpty() && view->fontMetrics().horizontalAdvance(text) >
                                            view->visualRect(index).width() - margins;
    if (cut)
        QToolTip::showText(help->globalPos(), text, view->viewport(), view->visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

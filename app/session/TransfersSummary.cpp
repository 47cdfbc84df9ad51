#include "TransfersSummary.h"

#include "PercentText.h"
#include "RateText.h"
#include "TransferList.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

TransfersSummary TransfersSummary::of(const TransferList& list) {
    TransfersSummary summary;
    for (std::size_t row = 0; row < list.size(); ++row) {
        const TransferRecord& record = list.at(row);
        switch (record.state) {
        case TransferState::Queued:
            ++summary.queued;
            break;
        case TransferState::Converting:
            ++summary.converting;
            break;
        case TransferState::Paused:
            ++summary.paused;
            break;
        case TransferState::Failed:
            ++summary.failed;
            break;
        case TransferState::Running:
            if (record.kind == TransferKind::Conversion) {
                ++summary.converting;
                break;
            }
            ++summary.downloading;
            if (record.total > 0) {
                summary.received += std::min(record.received, record.total);
                summary.total += record.total;
            }
            if (const auto speed = list.speedAt(row))
                summary.bytesPerSecond += speed->bytesPerSecond;
            break;
        default:
            break;
        }
    }
    return summary;
}

QString TransfersSummary::text() const {
    QStringList parts;
    if (downloading > 0)
        parts << QCoreApplication::translate("TransfersSummary", "%n downloading", nullptr,
                                             downloading);
    if (converting > 0)
        parts << QCoreApplication::translate("TransfersSummary", "%n converting", nullptr,
                                             converting);
    if (queued > 0)
        parts << QCoreApplication::translate("TransfersSummary", "%n waiting", nullptr, queued);
    if (paused > 0)
        parts << QCoreApplication::translate("TransfersSummary", "%n paused", nullptr, paused);
    if (failed > 0)
        parts << QCoreApplication::translate("TransfersSummary", "%n failed", nullptr, failed);
    if (parts.isEmpty())
        return QCoreApplication::translate("TransfersSummary", "Ready");
    if (downloading > 0 && bytesPerSecond > 0)
        parts << RateText::rate(bytesPerSecond);
    return parts.join(QStringLiteral(" · "));
}

int TransfersSummary::percent() const {
    if (downloading == 0 || total <= 0)
        return -1;
    return static_cast<int>(100 * received / total);
}

QString TransfersSummary::title() const {
    const int figure = percent();
    if (figure < 0)
        return QStringLiteral("Quillmoth");
    return QCoreApplication::translate("TransfersSummary", "%1 — Quillmoth")
        .arg(PercentText::of(figure));
}

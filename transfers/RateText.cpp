#include "RateText.h"

#include "TransferRate.h"

#include <QLocale>

#include <algorithm>

QString RateText::rate(double bytesPerSecond) {
    const TransferRate::ScaledRate scaled = TransferRate::scaleRate(bytesPerSecond);
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString number = locale.toString(scaled.figure, 'f', scaled.decimal ? 1 : 0);
    switch (scaled.unit) {
    case 0:
        return tr("%1 B/s").arg(number);
    case 1:
        return tr("%1 kB/s").arg(number);
    case 2:
        return tr("%1 MB/s").arg(number);
    default:
        return tr("%1 GB/s").arg(number);
    }
}

QString RateText::timeLeft(std::chrono::seconds left) {
    const long long seconds = std::max<long long>(0, left.count());
    const QString clock =
        seconds >= 3600
            ? QStringLiteral("%1:%2:%3")
                  .arg(seconds / 3600)
                  .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                  .arg(seconds % 60, 2, 10, QLatin1Char('0'))
            : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    //: Time a transfer or a conversion still needs, as minutes:seconds.
    return tr("%1 left").arg(clock);
}

QString RateText::of(double bytesPerSecond, std::optional<std::chrono::seconds> left) {
    const QString speed = rate(bytesPerSecond);
    if (left)
        //: A speed and the time left at it: "2.4 MB/s, 0:42 left".
        return tr("%1, %2").arg(speed, timeLeft(*left));
    return speed;
}

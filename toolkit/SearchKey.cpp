#include "toolkit/SearchKey.h"

QString searchKey(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (!c.isMark())
            key += c;
    return key.toCaseFolded();
}

#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

Translations::Translations(const QLocale& locale)
    : own(std::make_unique<QTranslator>()), qt(std::make_unique<QTranslator>()) {
    for (const QString& name : locale.uiLanguages()) {
        const QLocale wanted(name);
        // An English name earlier in the list wins over a later translation.
        if (wanted.language() == QLocale::English || wanted.language() == QLocale::C)
            return;
        if (!own->load(wanted, QStringLiteral("quillmoth"), QStringLiteral("_"), folder()))
            continue;
        chosen = own->language();
        QCoreApplication::installTranslator(own.get());
        if (qt->load(wanted, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt.get());
        return;
    }
}

Translations::~Translations() {
    QCoreApplication::removeTranslator(qt.get());
    QCoreApplication::removeTranslator(own.get());
}

QString Translations::language() const {
    return chosen;
}

QString Translations::folder() {
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/../share/quillmoth/translations");
}

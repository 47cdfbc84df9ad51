#include "app/desktop/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

const Translations* Translations::living = nullptr;

// Key names the menus show beside their entries, where Qt's own German
// keeps the English word.
[[maybe_unused]] static const char* const keyNames[] = {QT_TRANSLATE_NOOP("QShortcut", "Return")};

Translations::Translations(const QLocale& locale)
    : own(std::make_unique<QTranslator>()), qt(std::make_unique<QTranslator>()),
      web(std::make_unique<QTranslator>()), asked(locale.uiLanguages()) {
    living = this;
    for (const QString& name : asked) {
        const QLocale wanted(name);
        // An English name earlier in the list wins over a later translation.
        if (wanted.language() == QLocale::English || wanted.language() == QLocale::C)
            return;
        if (!own->load(wanted, QStringLiteral("quillmoth"), QStringLiteral("_"), folder()))
            continue;
        chosen = own->language();
        // Qt's own dialogs, and the web engine's menus and dialogs.
        const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (qt->load(wanted, QStringLiteral("qtbase"), QStringLiteral("_"), qtFolder))
            QCoreApplication::installTranslator(qt.get());
        if (web->load(wanted, QStringLiteral("qtwebengine"), QStringLiteral("_"), qtFolder))
            QCoreApplication::installTranslator(web.get());
        // Ours last, so that it is asked first: it names keys that Qt's own
        // leaves in English.
        QCoreApplication::installTranslator(own.get());
        return;
    }
}

Translations::~Translations() {
    if (living == this)
        living = nullptr;
    QCoreApplication::removeTranslator(web.get());
    QCoreApplication::removeTranslator(qt.get());
    QCoreApplication::removeTranslator(own.get());
}

QString Translations::language() const {
    return chosen;
}

QString Translations::acceptLanguage() {
    const QString first = living && !living->chosen.isEmpty() ? QLocale(living->chosen).bcp47Name()
                                                              : QStringLiteral("en");
    QStringList tags{first};
    for (const QString& name : living ? living->asked : QStringList())
        if (!tags.contains(name, Qt::CaseInsensitive) && name != QLatin1String("C"))
            tags << name;
    // A header weighs in tenths: ten languages at most.
    tags = tags.mid(0, 10);
    for (qsizetype i = 1; i < tags.size(); ++i)
        tags[i] += QStringLiteral(";q=0.%1").arg(10 - i);
    return tags.join(QLatin1Char(','));
}

QString Translations::windowLanguage() {
    return living ? living->chosen : QString();
}

QString Translations::folder() {
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/../share/quillmoth/translations");
}

#include "app/desktop/HelpPage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

QStringList HelpPage::folders() {
    const QString program = QCoreApplication::applicationDirPath();
    return {program + QStringLiteral("/help"),
            program + QStringLiteral("/../share/quillmoth/help")};
}

QUrl HelpPage::address(const QString& language) {
    QStringList names;
    if (!language.isEmpty()) {
        // "de_AT" finds the German page too.
        names << QStringLiteral("quillmoth_%1.html").arg(language);
        const QString base = QLocale(language).name().section(QLatin1Char('_'), 0, 0);
        if (base != language && !base.isEmpty() && base != QLatin1String("C"))
            names << QStringLiteral("quillmoth_%1.html").arg(base);
    }
    names << QStringLiteral("quillmoth.html");
    for (const QString& name : names)
        for (const QString& folder : folders())
            if (const QFileInfo page(folder + QLatin1Char('/') + name); page.isFile())
                return QUrl::fromLocalFile(page.canonicalFilePath());
    return {};
}

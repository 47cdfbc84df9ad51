#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>

// The window's texts, Qt's own dialogs and the web engine's menus in the
// user's language, for as long as it lives: the first language of the
// locale's list that is not English and has a translation; English
// otherwise. One lives at a time, on the window's thread.
class Translations {
public:
    explicit Translations(const QLocale& locale = QLocale::system());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // "de", or empty when the window stays English.
    QString language() const;
    // What the window's web panes ask pages in, as an Accept-Language
    // header: the living window's language first, then the locale's others
    // ("de,de-DE;q=0.9,en-US;q=0.8"); "en" while none lives.
    static QString acceptLanguage();
    // The living window's language ("de"), empty while it is English or
    // none lives.
    static QString windowLanguage();
    // Beside bin/ as installed, and in the build tree alike.
    static QString folder();

private:
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt;
    std::unique_ptr<QTranslator> web;
    QString chosen;
    QStringList asked;
    static const Translations* living;
};

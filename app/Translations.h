#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

#include <memory>

// The window's texts and Qt's own dialogs in the user's language, for as
// long as it lives: the first language of the locale's list that is not
// English and has a translation; English otherwise.
class Translations {
public:
    explicit Translations(const QLocale& locale = QLocale::system());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // "de", or empty when the window stays English.
    QString language() const;
    // Beside bin/ as installed, and in the build tree alike.
    static QString folder();

private:
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt;
    QString chosen;
};

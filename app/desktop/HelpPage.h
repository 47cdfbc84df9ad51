#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// The help page shipped with the program: what each tab does, the keys,
// where files go and what cannot be saved. Found beside the executable
// (help/) or in ../share/quillmoth/help/ as installed, in the language
// asked for where it is written in it, else in English.
class HelpPage {
public:
    HelpPage() = delete;

    // The page for language ("de"; empty: English); an empty address when
    // none is installed.
    static QUrl address(const QString& language);
    // Where the page is looked for, first to last.
    static QStringList folders();
};

#pragma once

#include <QCoreApplication>
#include <QString>

#include <string>

// The fixed English texts the engine and the transfer list report (statuses,
// errors, the store's and the player's complaints) in the user's language.
// They stay English where they are made and kept; the window translates them
// here, in one table, as it shows them.
class EngineTexts {
    Q_DECLARE_TR_FUNCTIONS(EngineTexts)

public:
    // A text not in the table (a title, a path) is shown as it is.
    static QString translated(const std::string& english);
};

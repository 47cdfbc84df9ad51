#pragma once

#include "base/Reason.h"

#include <QCoreApplication>
#include <QString>

#include <string>

// Reasons in the user's language: the one table of the window's words for
// what the engine, the transfer list, its store and the player report.
class ReasonTexts {
    Q_DECLARE_TR_FUNCTIONS(ReasonTexts)

public:
    // The reason's words; detail goes where the reason has one, and is said
    // as it is for None (a status an older store kept).
    static QString text(Reason reason, const std::string& detail = {});
    // Why something failed, for a sentence that says it failed already: a
    // failure's words without their "Error: ".
    static QString cause(Reason reason);
};

#pragma once

#include <QCoreApplication>
#include <QString>

// A percentage as the window writes it, the same in the bars, the rows and
// the title bar: "54%", or as the language writes it ("54 %").
class PercentText {
    Q_DECLARE_TR_FUNCTIONS(PercentText)

public:
    static QString of(int percent);
};

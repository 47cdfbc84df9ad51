#pragma once

#include <QCoreApplication>
#include <QString>

// A start that could not lock its data folder: why, what the user is told
// in a message box (a start from the desktop's menu has no terminal), and
// whether the window may open all the same. It may where the folder takes
// nothing at all: no window can write there, so none can spoil another's
// files, and this one runs without keeping its session.
class UnheldDataFolder {
    Q_DECLARE_TR_FUNCTIONS(UnheldDataFolder)

public:
    UnheldDataFolder(const QString& folder, const QString& why);

    bool windowMayOpen() const { return mayOpen; }
    // Why, and what happens now.
    QString text() const;
    // The window that holds folder did not take a start's addresses.
    static QString unanswered(const QString& folder);

private:
    QString folder;
    QString why;
    // Why the folder takes nothing, where it takes nothing.
    QString cause;
    bool mayOpen;
};

#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <optional>
#include <string>

// Points XDG_DATA_HOME, and with it the program's data folder, at a fresh
// temporary folder for this object's life; the previous value (or its
// absence) comes back afterwards.
class ScopedDataHome {
public:
    ScopedDataHome() {
        if (const char* saved = std::getenv(Variable))
            previous = saved;
        setenv(Variable, QFile::encodeName(home.path()).constData(), 1);
    }
    ~ScopedDataHome() {
        if (previous)
            setenv(Variable, previous->c_str(), 1);
        else
            unsetenv(Variable);
    }
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

    bool isValid() const { return home.isValid(); }
    QString path() const { return home.path(); }
    QString filePath(const QString& name) const { return home.filePath(name); }

private:
    static constexpr const char* Variable = "XDG_DATA_HOME";
    QTemporaryDir home;
    std::optional<std::string> previous;
};

#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <optional>
#include <string>

// Points XDG_DATA_HOME (and with it the program's data folder), HOME and
// XDG_CONFIG_HOME (where the desktop's Videos and Music folders are looked
// up) at a fresh temporary folder for this object's life, so that no test
// makes folders in a real home; the previous values (or their absence) come
// back afterwards.
class ScopedDataHome {
public:
    ScopedDataHome() {
        const QByteArray path = QFile::encodeName(home.path());
        set(0, path.constData());
        set(1, path.constData());
        set(2, (path + "/.config").constData());
    }
    ~ScopedDataHome() {
        for (int i = 0; i < Count; ++i) {
            if (previous[i])
                setenv(Variables[i], previous[i]->c_str(), 1);
            else
                unsetenv(Variables[i]);
        }
    }
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

    bool isValid() const { return home.isValid(); }
    QString path() const { return home.path(); }
    QString filePath(const QString& name) const { return home.filePath(name); }
    // The default folders of a first start under this home.
    QString videos() const { return home.filePath("Videos/Quillmoth"); }
    QString music() const { return home.filePath("Music/Quillmoth"); }

private:
    static constexpr int Count = 3;
    static constexpr const char* Variables[Count] = {"XDG_DATA_HOME", "HOME", "XDG_CONFIG_HOME"};

    void set(int i, const char* value) {
        if (const char* saved = std::getenv(Variables[i]))
            previous[i] = saved;
        setenv(Variables[i], value, 1);
    }

    QTemporaryDir home;
    std::optional<std::string> previous[Count];
};

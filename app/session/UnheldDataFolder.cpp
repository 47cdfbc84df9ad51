#include "app/session/UnheldDataFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

UnheldDataFolder::UnheldDataFolder(const QString& folder, const QString& why)
    : folder(folder), why(why), mayOpen(false) {
    if (!QFileInfo(folder).isDir()) {
        mayOpen = true;
        cause = QString::fromLocal8Bit(std::strerror(ENOTDIR));
    } else if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        mayOpen = true;
        cause = QString::fromLocal8Bit(std::strerror(errno));
    }
}

QString UnheldDataFolder::text() const {
    if (mayOpen)
        return tr("Quillmoth cannot write to its data folder %1 (%2).").arg(folder, cause) +
               QStringLiteral("\n\n") +
               tr("It opens all the same, but keeps nothing of this session: settings, "
                  "transfers and their history are not saved. Make the folder writable and "
                  "start Quillmoth again to keep them.");
    return why + QStringLiteral("\n\n") +
           tr("Quillmoth cannot open without it. Check that %1 can be written, or close the "
              "program that holds it, and start Quillmoth again.")
               .arg(folder);
}

QString UnheldDataFolder::unanswered(const QString& folder) {
    return tr("Quillmoth is open already with the data folder %1, but it does not answer. "
              "Close that window, or end the program, and start Quillmoth again.")
        .arg(folder);
}

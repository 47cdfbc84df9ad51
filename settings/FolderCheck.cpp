#include "settings/FolderCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

FolderCheck::State FolderCheck::of(const std::string& path) {
    if (path.empty())
        return State::Empty;
    const QString folder = QString::fromStdString(path);
    const QFileInfo info(folder);
    if (!info.exists())
        return State::Missing;
    if (!info.isDir())
        return State::NotAFolder;
    // Trying is the only answer that holds for root and read-only mounts.
    QTemporaryFile probe(folder + QStringLiteral("/.quillmoth-XXXXXX"));
    return probe.open() ? State::Ready : State::NotWritable;
}

bool FolderCheck::create(const std::string& path) {
    const QString folder = QString::fromStdString(path);
    return !folder.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

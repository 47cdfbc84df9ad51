#pragma once

#include "DataFolder.h"
#include "Library.h"
#include "MessageBox.h"
#include "Settings.h"
#include "TransferList.h"
#include "TransferModel.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// A DataFolder as the window opens it, over the data folder of now (a
// ScopedDataHome), without the window: its messages go to the message box
// (a test's sink).
class OpenDataFolder {
public:
    explicit OpenDataFolder(const QDBusConnection& bus = QDBusConnection::sessionBus())
        : folder(std::make_unique<DataFolder>(bus)) {
        QObject::connect(folder.get(), &DataFolder::message,
                         [](const QString& text) { MessageBox::show(text); });
        folder->start();
        // Whatever the folders held is not what these tests look at.
        library().clear();
    }
    ~OpenDataFolder() { folder.reset(); }
    OpenDataFolder(const OpenDataFolder&) = delete;
    OpenDataFolder& operator=(const OpenDataFolder&) = delete;

    // Folders as the Settings tab saves them.
    void useFolders(const std::string& movies, const std::string& music) {
        Settings wanted = folder->settings();
        wanted.movieFolder = movies;
        wanted.musicFolder = music;
        ASSERT_TRUE(folder->saveSettings(wanted));
        library().clear();
    }

    const TransferList& list() const { return folder->transfers(); }
    Library& library() const { return folder->library(); }
    const TransferRecord& record(int row) const { return list().at(static_cast<std::size_t>(row)); }
    std::int64_t id(int row) const { return record(row).id; }
    QString cell(int row, int column) const {
        const TransferModel& model = folder->transferModel();
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }
    QString status(int row) const { return cell(row, TransferModel::StatusColumn); }
    // A library row's title, type and folder.
    QStringList libraryRow(int row) const {
        const QModelIndex title = library().index(row, Library::TitleColumn);
        return {title.data().toString(),
                library().index(row, Library::TypeColumn).data().toString(),
                title.data(Library::FolderRole).toString()};
    }

    // Runs the window's events until done() holds; the limit only keeps a
    // broken job from hanging the run.
    static bool waitFor(const std::function<bool()>& done, int ms = 60000) {
        return QTest::qWaitFor(done, ms);
    }
    bool waitUntilEnded(int row) const {
        return waitFor([&] { return record(row).ended(); });
    }

    std::unique_ptr<DataFolder> folder;
};

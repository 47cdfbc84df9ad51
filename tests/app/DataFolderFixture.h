#pragma once

#include "LibraryView.h"
#include "ListView.h"
#include "Manager.h"
#include "Settings.h"
#include "SettingsTab.h"
#include "TransferList.h"
#include "TransferModel.h"

#include <QDBusConnection>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The Manager as the window builds it, over the data folder of now (a
// ScopedDataHome), with the Settings tab and the library list but without
// the rest of the window.
class ManagedTransfers {
public:
    explicit ManagedTransfers(const QDBusConnection& bus = QDBusConnection::sessionBus()) {
        library = LibraryView::build(&window);
        page = new SettingsTab(&window);      // owned by the window
        auto* title = new QLineEdit(&window); // owned by the window
        manager = std::make_unique<Manager>(library, page, title, bus);
        // Whatever the folders held is not what these tests look at.
        library->clear();
    }
    ~ManagedTransfers() { manager.reset(); }
    ManagedTransfers(const ManagedTransfers&) = delete;
    ManagedTransfers& operator=(const ManagedTransfers&) = delete;

    // Folders as the Settings tab saves them.
    void useFolders(const std::string& movies, const std::string& music) {
        page->movieFolderBox()->setText(QString::fromStdString(movies));
        page->musicFolderBox()->setText(QString::fromStdString(music));
        ASSERT_TRUE(manager->saveSettings());
        library->clear();
    }

    TransferList& list() const { return manager->transfers(); }
    const TransferRecord& record(int row) const { return list().at(static_cast<std::size_t>(row)); }
    std::int64_t id(int row) const { return record(row).id; }
    QString cell(int row, int column) const {
        const TransferModel& model = manager->transferModel();
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }
    QString status(int row) const { return cell(row, TransferModel::StatusColumn); }
    // Every cell of a library row, the folder (not shown) included.
    QStringList libraryRow(int row) const {
        QStringList cells;
        for (int cell = 0; cell < ListView::cellCount(library, row); ++cell)
            cells << ListView::cellText(library, row, cell);
        return cells;
    }

    // Runs the window's events until done() holds; the limit only keeps a
    // broken job from hanging the run.
    static bool waitFor(const std::function<bool()>& done, int ms = 60000) {
        return QTest::qWaitFor(done, ms);
    }
    bool waitUntilEnded(int row) const {
        return waitFor([&] { return record(row).ended(); });
    }

    QWidget window;
    QTreeWidget* library = nullptr;
    SettingsTab* page = nullptr;
    std::unique_ptr<Manager> manager;
};

#pragma once

// OpenDataFolder under the names tests used before DataFolder, with a
// Settings tab whose values are saved as the window saves them; for the
// tests not yet moved to DataFolderFixture.h.
#include "DataFolderFixture.h"
#include "SettingsTab.h"
#include "WorkRunner.h"

#include <QWidget>

#include <vector>

class ManagedTransfers : public OpenDataFolder {
public:
    // The calls those tests make.
    class Calls {
    public:
        Calls(DataFolder& folder, SettingsTab& page) : folder(folder), page(page) {}
        const Settings& settings() const { return folder.settings(); }
        std::int64_t download(const std::string& url, const std::string& title) {
            return folder.download(url, title);
        }
        void cancel(const std::vector<std::int64_t>& ids) { folder.cancel(ids); }
        WorkRunner& workRunner() { return folder.workRunner(); }
        bool saveSettings() { return folder.saveSettings(page.edited(folder.settings())); }

    private:
        DataFolder& folder;
        SettingsTab& page;
    };

    explicit ManagedTransfers(const QDBusConnection& bus = QDBusConnection::sessionBus())
        : OpenDataFolder(bus), page(new SettingsTab(&window)),
          manager(std::make_unique<Calls>(*folder, *page)) {
        page->display(folder->settings());
    }

    QWidget window;
    SettingsTab* page; // owned by the window
    std::unique_ptr<Calls> manager;
};

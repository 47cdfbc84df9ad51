#pragma once

#include "Settings.h"
#include "SettingsStore.h"
#include "TransferList.h"
#include "WindowPost.h"

#include <QDBusConnection>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DesktopNotifier;
class Library;
class QLineEdit;
class QObject;
class QTreeWidget;
class SettingsTab;

class LateJobEvents;
class TransferModel;
class TransferStore;
class WorkRunner;
struct TransferRecord;

// The window's way into the logic: owns the settings and their store, the
// library, the transfer store (transfers.sqlite in the data folder), the work
// runner and the transfer list with its model; adds saved files to the
// library and tells the desktop (over bus) when a transfer has ended, if the
// settings say so.
// Window thread only; jobs report from their workers through a queued call.
class Manager {
public:
    // Loads the settings into the tab, lists the library, and restores the
    // transfer list: the history as it ended, interrupted transfers
    // continuing by themselves.
    Manager(QTreeWidget* libraryList, SettingsTab* settingsTab, QLineEdit* titleText,
            const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    // How long closing waits for the workers to stop.
    static constexpr std::chrono::milliseconds CloseWait{3000};

    // Queues a download of the page at url; never refused.
    std::int64_t download(const std::string& url, const std::string& title);
    void findTitle(const std::string& docText);

    // The Transfers tab's actions on the transfers with these ids.
    void pause(const std::vector<std::int64_t>& ids);
    void resume(const std::vector<std::int64_t>& ids);
    void cancel(const std::vector<std::int64_t>& ids);
    void retry(const std::vector<std::int64_t>& ids);
    void clear(const std::vector<std::int64_t>& ids);
    void convert(const std::vector<std::int64_t>& ids);

    // Path of a library row's file, or an empty text.
    std::string mediaPath(int libraryRow) const;
    // Takes the Settings tab's values, saves them and lists the library
    // again; false when config.dat could not be written (the values are in
    // force all the same).
    bool saveSettings();
    // Closing: running transfers pause (their part files kept, to continue
    // at the next start), conversions stop; waits at most CloseWait for the
    // workers, then for the store's writes. The window takes no events
    // afterwards: what jobs still say goes straight to the store, written
    // before the Manager goes. True when every worker ended.
    bool stopTransfers();

    const Settings& settings() const { return current; }
    const SettingsStore& settingsStore() const { return settingsFiles; }
    TransferList& transfers() { return *list; }
    TransferModel& transferModel() { return *model; }
    WorkRunner& workRunner() { return *runner; }

private:
    // One list action on each id it applies to.
    void forEach(const std::vector<std::int64_t>& ids, bool (TransferList::*action)(std::int64_t));
    void fileSaved(const TransferRecord& record, bool mp3);
    void transferEnded(const TransferRecord& record);
    void showMessage(const std::string& text) const;
    // Lists the library from the folders and check boxes of now; at start, a
    // folder that does not exist is said.
    void listLibrary(bool atStart);

    SettingsStore settingsFiles;
    Settings current;
    SettingsTab* settingsTab;
    std::unique_ptr<Library> library;
    std::unique_ptr<TransferStore> store;
    // Takes the jobs' events once the window no longer does; shared with
    // the jobs' sinks, which may outlive the Manager.
    std::shared_ptr<LateJobEvents> late;
    std::unique_ptr<WorkRunner> runner;
    // What workers' events and the store's failures are posted to; goes
    // first, so that nothing posted reaches a list being destroyed.
    std::unique_ptr<QObject> context;
    WindowPost post;
    std::unique_ptr<TransferList> list;
    std::unique_ptr<TransferModel> model;
    std::unique_ptr<DesktopNotifier> notifier;
    QLineEdit* titleText;
};

#pragma once

#include "app/session/TransfersSummary.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "toolkit/WindowPost.h"
#include "transfers/list/TransferList.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

class DesktopNotifier;
class LateJobEvents;
class Library;
class TransferModel;
class TransferStore;
class WorkRunner;
struct TransferRecord;

// What one data folder holds, and the work on it: the settings and their
// store, the transfer store (transfers.sqlite), the work runner, the
// transfer list with its model, and the library its folders list. Adds saved
// files to the library and tells the desktop (over bus) when a transfer has
// ended, if the settings say so. Knows no window: what the user must read
// goes out as message(); the window shows it.
// Window thread only; jobs report from their workers through a queued call.
class DataFolder : public QObject {
    Q_OBJECT
public:
    // Loads the settings; nothing is said or listed before start().
    explicit DataFolder(const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~DataFolder() override;
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // How long closing waits for the workers to stop.
    static constexpr std::chrono::milliseconds CloseWait{3000};

    // Once, after the window has connected to message(): says what loading
    // found (a settings file kept aside), lists the library (a folder that
    // does not exist is said) and restores the transfer list: the history as
    // it ended, interrupted transfers continuing by themselves.
    void start();

    // Queues a download of the page at url, of source when one was picked;
    // never refused.
    std::int64_t download(const std::string& url, const std::string& title,
                          const SourceRef& source = {});

    // The Transfers tab's actions on the transfers with these ids.
    void pause(const std::vector<std::int64_t>& ids);
    void resume(const std::vector<std::int64_t>& ids);
    void cancel(const std::vector<std::int64_t>& ids);
    void retry(const std::vector<std::int64_t>& ids);
    void clear(const std::vector<std::int64_t>& ids);
    void convert(const std::vector<std::int64_t>& ids);
    // Queued ones, each in turn (ids in the order they are to move).
    void moveUp(const std::vector<std::int64_t>& ids);
    void moveDown(const std::vector<std::int64_t>& ids);
    void moveToTop(const std::vector<std::int64_t>& ids);
    void startNow(const std::vector<std::int64_t>& ids);

    // What downloads send, as the Search pane would for their page.
    void setIdentity(JobFactory::Identity identity);
    // While held, transfers continuing from the last run wait (for the
    // Search pane's stored cookies).
    void holdTransfers(bool held);
    // The file of a finished download of the page that is still on disk;
    // empty when there is none.
    std::string savedFileOf(const std::string& pageUrl) const;
    // Temporary files an earlier run left behind (it was killed), last
    // changed before, in the folders of the settings and of every record,
    // go; on a worker, as a folder may be slow to read.
    void removeLeftovers(timespec before);
    // Looks again whether the files of finished transfers (these ids; all
    // when none is given) are still where they were saved, on a worker: a
    // folder may be slow to answer. Rows that changed are shown once it is
    // known. One look runs at a time; what is asked meanwhile comes next.
    void lookAtFiles(const std::vector<std::int64_t>& ids = {});
    // What the status and title bars say of the transfers now.
    TransfersSummary summary() const;

    // My Library's actions on its rows; what cannot be done is said.
    // Moves the rows' files to the desktop's trash; where there is none,
    // nothing is deleted. How many went.
    int trashFiles(const std::vector<int>& rows);
    // Names the row's file title.type in its folder, never over another
    // file; the transfers that name it follow. A name with a "/" is refused.
    bool renameFile(int row, const std::string& title);
    // The row's movie to MP3 in the music folder of now, as a transfer (its
    // own when it has one).
    bool convertFile(int row);

    // Puts wanted in force, saves it and lists the library again; false when
    // config.dat could not be written (the values are in force all the
    // same).
    bool saveSettings(const Settings& wanted);
    // Closing: running transfers pause (their part files kept, to continue
    // at the next start), conversions stop; waits at most CloseWait for the
    // workers, then for the store's writes. The window takes no events
    // afterwards: what jobs still say goes straight to the store, written
    // before this object goes. True when every worker ended.
    bool stopTransfers();

    const Settings& settings() const { return current; }
    const SettingsStore& settingsStore() const { return settingsFiles; }
    Library& library() { return *files; }
    const TransferList& transfers() const { return *list; }
    TransferModel& transferModel() { return *model; }
    WorkRunner& workRunner() { return *runner; }

signals:
    // A text for the user, translated.
    void message(const QString& text);

private:
    // One list action on each id it applies to.
    void forEach(const std::vector<std::int64_t>& ids, bool (TransferList::*action)(std::int64_t));
    void fileSaved(const TransferRecord& record, bool mp3);
    void transferEnded(const TransferRecord& record);
    // A text of the logic, in the user's words.
    void say(const std::string& text);
    // Lists the library from the folders and check boxes of now; at start, a
    // folder that does not exist is said.
    void listLibrary(bool atStart);
    void lookNext();
    void looked(const std::vector<FileLook>& looks);

    // A look at the files under way, and what was asked since.
    bool looking = false;
    bool lookAtAll = false;
    std::set<std::int64_t> toLook;

    // Folders files were saved into are listed at every later start.
    void rememberSavedFolders();

    SettingsStore settingsFiles;
    Settings current;
    std::unique_ptr<Library> files;
    std::unique_ptr<TransferStore> store;
    // Takes the jobs' events once the window no longer does; shared with
    // the jobs' sinks, which may outlive this object.
    std::shared_ptr<LateJobEvents> late;
    std::unique_ptr<WorkRunner> runner;
    // What workers' events and the store's failures are posted to; goes
    // first, so that nothing posted reaches a list being destroyed.
    std::unique_ptr<QObject> context;
    WindowPost post;
    std::unique_ptr<TransferList> list;
    std::unique_ptr<TransferModel> model;
    std::unique_ptr<DesktopNotifier> notifier;
};

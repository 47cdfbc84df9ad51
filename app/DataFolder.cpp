#include "Manager.h"

#include "DesktopNotifier.h"
#include "EngineTexts.h"
#include "LateJobEvents.h"
#include "Library.h"
#include "MessageBox.h"
#include "PageTitle.h"
#include "SettingsTab.h"
#include "Text.h"
#include "TransferList.h"
#include "TransferModel.h"
#include "TransferStore.h"
#include "WorkRunner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QObject>

#include <filesystem>

namespace {

// The setting is in kB/s, 1000 bytes each, as the speeds shown.
std::int64_t speedLimitBytes(const Settings& settings) {
    return std::int64_t{settings.speedLimit} * 1000;
}

const char* const LibraryPathError = QT_TRANSLATE_NOOP(
    "Manager",
    "Error: Could not open library path. Check the Settings tab for download locations.");

} // namespace

Manager::Manager(QTreeWidget* libraryList, SettingsTab* settingsTab, QLineEdit* titleText,
                 const QDBusConnection& bus)
    : current(settingsFiles.load()), settingsTab(settingsTab),
      library(std::make_unique<Library>(libraryList)),
      store(std::make_unique<TransferStore>(settingsFiles.dataFolder() + "transfers.sqlite")),
      late(std::make_shared<LateJobEvents>(*store)), runner(std::make_unique<WorkRunner>()),
      context(std::make_unique<QObject>()), post(context.get()),
      notifier(std::make_unique<DesktopNotifier>(bus)), titleText(titleText) {
    // The sink runs on each job's worker thread: the event crosses to the
    // window's thread as a queued call; once the window takes no more, it
    // goes to the store's thread instead, until the Manager goes.
    auto sink = [this, post = post, late = late](const JobEvent& event) {
        if (!post([this, event] { list->apply(event); }))
            late->apply(event);
    };
    auto jobSettings = [this] {
        TransferList::JobSettings now;
        now.quality = current.quality;
        now.movieFolder = current.movieFolder;
        now.musicFolder = current.musicFolder;
        now.convert = current.convertToMp3;
        return now;
    };
    list = std::make_unique<TransferList>(store.get(), WorkRunner::jobRunner(*runner),
                                          std::move(sink), std::move(jobSettings));
    model = std::make_unique<TransferModel>(*list);
    QObject::connect(model.get(), &TransferModel::fileSaved, context.get(),
                     [this](const TransferRecord& record, bool mp3) { fileSaved(record, mp3); });
    QObject::connect(model.get(), &TransferModel::transferEnded, context.get(),
                     [this](const TransferRecord& record) { transferEnded(record); });
    // Told on the store's thread; shown on the window's.
    store->setFailureListener([this, post = post](const std::string& message) {
        post([this, message] { showMessage(message); });
    });

    if (const std::string message = settingsFiles.takeMessage(); !message.empty())
        showMessage(message);
    if (settingsTab)
        settingsTab->display(current);
    listLibrary(true);

    list->setMaxRunning(current.maxRunning);
    list->setSpeedLimit(speedLimitBytes(current));
    list->restore();
    if (const std::string message = store->takeMessage(); !message.empty())
        showMessage(message);
}

// Nothing posted from now on reaches the list; jobs still running keep
// only their own things. The store writes what it was handed before it goes.
Manager::~Manager() {
    post.close();
    late->close();
    context.reset();
    model.reset();
    list.reset();
    runner.reset();
    store.reset();
    notifier.reset();
    library.reset();
}

std::int64_t Manager::download(const std::string& url, const std::string& title) {
    return list->add(url, title);
}

void Manager::findTitle(const std::string& docText) {
    // A page without a title leaves the box as it was.
    if (const auto title = PageTitle::find(docText))
        titleText->setText(wide(*title));
}

void Manager::forEach(const std::vector<std::int64_t>& ids,
                      bool (TransferList::*action)(std::int64_t)) {
    for (std::int64_t id : ids)
        (list.get()->*action)(id);
}

void Manager::pause(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::pause);
}

void Manager::resume(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::resume);
}

void Manager::cancel(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::cancel);
}

void Manager::retry(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::retry);
}

void Manager::clear(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::clear);
}

void Manager::convert(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::convert);
}

std::string Manager::mediaPath(int libraryRow) const {
    return library->mediaPath(libraryRow);
}

bool Manager::saveSettings() {
    if (settingsTab)
        current = settingsTab->edited(current);
    // In force whether or not config.dat could be written; the speed limit
    // reaches running transfers too.
    list->setMaxRunning(current.maxRunning);
    list->setSpeedLimit(speedLimitBytes(current));
    if (!settingsFiles.save(current))
        return false;
    listLibrary(false);
    return true;
}

void Manager::listLibrary(bool atStart) {
    const auto isFolder = [](const std::string& path) {
        return !path.empty() && QFileInfo(wide(path)).isDir();
    };
    if (!isFolder(current.movieFolder) || !isFolder(current.musicFolder)) {
        if (atStart)
            MessageBox::show(QCoreApplication::translate("Manager", LibraryPathError));
        return;
    }
    library->clear();
    library->setShown(current.showMovies, current.showMusic);
    library->show(current.movieFolder, current.musicFolder);
}

bool Manager::stopTransfers() {
    list->interruptAll();
    const bool ended = runner->waitUntilNone(CloseWait);
    // The window takes no more events. Those posted already (a file saved
    // just before the close) reach the list before it is stored; the jobs
    // still running are then handed over with their records, so that what
    // they say later (a movie saved, a part file named) is kept all the same.
    post.close();
    QCoreApplication::sendPostedEvents(context.get(), QEvent::MetaCall);
    late->takeOver(list->jobRecords());
    store->flush();
    return ended;
}

void Manager::fileSaved(const TransferRecord& record, bool mp3) {
    const std::filesystem::path file(mp3 ? record.mp3Path : record.moviePath);
    const std::string extension = file.extension().string();
    if (extension.size() < 2)
        return;
    library->addOnce(file.stem().string(), extension.substr(1), file.parent_path().string());
}

void Manager::transferEnded(const TransferRecord& record) {
    // The saved setting counts, not the box's state.
    if (current.notify)
        notifier->jobEnded(record);
}

void Manager::showMessage(const std::string& text) const {
    MessageBox::show(EngineTexts::translated(text));
}

#include "app/session/DataFolder.h"

#include "app/desktop/DesktopNotifier.h"
#include "base/MediaFormat.h"
#include "base/WorkRunner.h"
#include "files/FilePath.h"
#include "files/LeftoverParts.h"
#include "jobs/SubtitleChoice.h"
#include "library/Library.h"
#include "library/PlayerPage.h"
#include "library/SubtitleFiles.h"
#include "toolkit/Text.h"
#include "transfers/ReasonTexts.h"
#include "transfers/TransferModel.h"
#include "transfers/list/LateJobEvents.h"
#include "transfers/list/TransferList.h"
#include "transfers/list/TransferRecord.h"
#include "transfers/list/TransferStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <system_error>
#include <utility>

namespace {

// The setting is in kB/s, 1000 bytes each, as the speeds shown.
std::int64_t speedLimitBytes(const Settings& settings) {
    return std::int64_t{settings.speedLimit} * 1000;
}

// Moves file to the desktop's trash. Qt 6.4 also "succeeds" where it found
// no trash, by moving the file into files/ of the working folder: that is no
// trash, and the file goes back where it was.
bool moveToTrash(const QString& file) {
    QString where;
    if (!QFile::moveToTrash(file, &where))
        return false;
    const QFileInfo put(where);
    const QDir files = put.dir();
    QDir trash = files;
    const bool inTrash =
        QDir::isAbsolutePath(where) && files.dirName() == QLatin1String("files") && trash.cdUp() &&
        (trash.dirName() == QLatin1String("Trash") ||
         trash.dirName().startsWith(QLatin1String(".Trash-")) ||
         QFileInfo(trash.absolutePath()).dir().dirName() == QLatin1String(".Trash"));
    if (inTrash)
        return true;
    QFile::rename(where, file);
    const QString info = put.absolutePath() + QStringLiteral("/../info");
    QFile::remove(info + QLatin1Char('/') + put.fileName() + QStringLiteral(".trashinfo"));
    // Only folders it left empty go.
    QDir().rmdir(info);
    QDir().rmdir(put.absolutePath());
    return false;
}

// What the jobs save of subtitles; languages a hand-edited file spoils save
// none, as the box was off by default.
SubtitleChoice subtitleChoiceOf(const Settings& settings) {
    SubtitleChoice choice;
    if (settings.saveSubtitles &&
        !SubtitleChoice::parse(
            settings.subtitleLanguages.empty() ? "all" : settings.subtitleLanguages, choice))
        choice = {};
    return choice;
}

} // namespace

DataFolder::DataFolder(const QDBusConnection& bus)
    : current(settingsFiles.load()), files(std::make_unique<Library>()),
      store(std::make_unique<TransferStore>(settingsFiles.dataFolder() + "transfers.sqlite")),
      late(std::make_shared<LateJobEvents>(*store)), runner(std::make_unique<WorkRunner>()),
      context(std::make_unique<QObject>()), post(context.get()),
      notifier(std::make_unique<DesktopNotifier>(bus)) {
    // The sink runs on each job's worker thread: the event crosses to the
    // window's thread as a queued call; once the window takes no more, it
    // goes to the store's thread instead, until this object goes.
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
        now.connections = current.connectionsPerTransfer;
        now.language = QLocale().bcp47Name().toStdString();
        now.subtitles = subtitleChoiceOf(current);
        return now;
    };
    list = std::make_unique<TransferList>(store.get(), TransferList::jobRunner(*runner),
                                          std::move(sink), std::move(jobSettings));
    model = std::make_unique<TransferModel>(*list);
    QObject::connect(model.get(), &TransferModel::fileSaved, context.get(),
                     [this](const TransferRecord& record, bool mp3) { fileSaved(record, mp3); });
    QObject::connect(model.get(), &TransferModel::transferEnded, context.get(),
                     [this](const TransferRecord& record) { transferEnded(record); });
    // Told on the store's thread; said on the window's.
    store->setFailureListener([this, post = post](Reason said) {
        post([this, said] { emit message(ReasonTexts::text(said)); });
    });
}

void DataFolder::start() {
    if (const std::string text = settingsFiles.takeMessage(); !text.empty())
        say(text);

    list->setMaxRunning(current.maxRunning);
    list->setSpeedLimit(speedLimitBytes(current));
    list->restore();
    // The history names folders an older version never remembered.
    rememberSavedFolders();
    listLibrary(true);
    if (const Reason said = store->takeMessage(); said != Reason::None)
        emit message(ReasonTexts::text(said));
}

// Nothing posted from now on reaches the list; jobs still running keep
// only their own things. The store writes what it was handed before it goes.
DataFolder::~DataFolder() {
    post.close();
    late->close();
    context.reset();
    model.reset();
    list.reset();
    runner.reset();
    store.reset();
    notifier.reset();
    files.reset();
}

std::int64_t DataFolder::download(const std::string& url, const std::string& title,
                                  const SourceRef& source) {
    return list->add(url, title, source);
}

void DataFolder::forEach(const std::vector<std::int64_t>& ids,
                         bool (TransferList::*action)(std::int64_t)) {
    for (std::int64_t id : ids)
        (list.get()->*action)(id);
}

void DataFolder::pause(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::pause);
}

void DataFolder::resume(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::resume);
}

void DataFolder::cancel(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::cancel);
}

void DataFolder::retry(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::retry);
}

void DataFolder::clear(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::clear);
}

void DataFolder::convert(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::convert);
}

void DataFolder::moveUp(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::moveUp);
}

void DataFolder::moveDown(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::moveDown);
}

void DataFolder::moveToTop(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::moveToTop);
}

void DataFolder::startNow(const std::vector<std::int64_t>& ids) {
    forEach(ids, &TransferList::startNow);
}

void DataFolder::setIdentity(JobFactory::Identity identity) {
    list->setIdentity(std::move(identity));
}

void DataFolder::holdTransfers(bool held) {
    list->hold(held);
}

std::string DataFolder::savedFileOf(const std::string& pageUrl) const {
    for (std::size_t row = list->size(); row-- > 0;) {
        const TransferRecord& record = list->at(row);
        if (record.state != TransferState::Done || record.pageUrl != pageUrl)
            continue;
        // A file the user has since deleted is not worth asking about.
        const std::string path = model->mediaPath(static_cast<int>(row));
        if (!path.empty() && QFileInfo::exists(wide(path)))
            return path;
    }
    return {};
}

void DataFolder::removeLeftovers(timespec before) {
    std::vector<std::string> folders{current.movieFolder, current.musicFolder};
    std::vector<std::string> named;
    for (std::size_t row = 0; row < list->size(); ++row) {
        const TransferRecord& record = list->at(row);
        folders.push_back(record.movieFolder);
        folders.push_back(record.musicFolder);
        named.push_back(record.resume.partFile);
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    const LeftoverParts leftovers(std::move(folders), std::move(named), before);
    try {
        // Runs on a worker thread.
        runner->run([leftovers] { leftovers.remove(); });
    } catch (const std::system_error&) {
        // Left for the next start.
    }
}

void DataFolder::lookAtFiles(const std::vector<std::int64_t>& ids) {
    if (ids.empty())
        lookAtAll = true;
    toLook.insert(ids.begin(), ids.end());
    lookNext();
}

void DataFolder::lookNext() {
    if (looking || (!lookAtAll && toLook.empty()))
        return;
    std::vector<FileLook> looks =
        list->filesToLook(lookAtAll ? std::vector<std::int64_t>()
                                    : std::vector<std::int64_t>(toLook.begin(), toLook.end()));
    lookAtAll = false;
    toLook.clear();
    if (looks.empty())
        return;
    looking = true;
    try {
        runner->run([this, post = post, looks = std::move(looks)]() mutable {
            // Runs on a worker thread; the answer crosses back as a queued call.
            for (FileLook& look : looks)
                look.look();
            post([this, looks = std::move(looks)] { looked(looks); });
        });
    } catch (const std::system_error&) {
        // No thread to look with: the rows stay as they were last seen.
        looking = false;
    }
}

void DataFolder::looked(const std::vector<FileLook>& looks) {
    looking = false;
    list->filesLooked(looks);
    lookNext();
}

TransfersSummary DataFolder::summary() const {
    return TransfersSummary::of(*list);
}

bool DataFolder::saveSettings(const Settings& wanted) {
    // The folders left keep what was saved into them.
    std::vector<std::string> left;
    if (wanted.movieFolder != current.movieFolder)
        left.push_back(current.movieFolder);
    if (wanted.musicFolder != current.musicFolder)
        left.push_back(current.musicFolder);
    if (!left.empty())
        settingsFiles.rememberFolders(left);
    current = wanted;
    // In force whether or not config.dat could be written; the speed limit
    // reaches running transfers too.
    list->setMaxRunning(current.maxRunning);
    list->setSpeedLimit(speedLimitBytes(current));
    if (!settingsFiles.save(current))
        return false;
    listLibrary(false);
    return true;
}

void DataFolder::listLibrary(bool atStart) {
    const auto isFolder = [](const std::string& path) {
        return !path.empty() && QFileInfo(wide(path)).isDir();
    };
    if (!isFolder(current.movieFolder) || !isFolder(current.musicFolder)) {
        if (atStart)
            emit message(tr("Error: Could not open library path. Check the Settings tab for "
                            "download locations."));
        return;
    }
    files->clear();
    files->setShown(current.showMovies, current.showMusic);
    files->listFolders(current.movieFolder, current.musicFolder, settingsFiles.savedFolders());
}

void DataFolder::rememberSavedFolders() {
    std::vector<std::string> folders;
    for (std::size_t row = 0; row < list->size(); ++row)
        for (const std::string* path : {&list->at(row).moviePath, &list->at(row).mp3Path})
            if (!path->empty())
                folders.push_back(FilePath::folderOf(*path));
    settingsFiles.rememberFolders(folders);
}

int DataFolder::trashFiles(const std::vector<int>& rows) {
    std::vector<int> order = rows;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    QStringList kept;
    int gone = 0;
    // From the last row up, so that the rows still to go keep their places.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const std::string path = files->mediaPath(*it);
        if (path.empty())
            continue;
        const QString file = wide(path);
        if (!QFileInfo::exists(file)) {
            files->removeFile(*it);
            continue;
        }
        if (list->fileInUse(path) || !moveToTrash(file)) {
            kept.prepend(QFileInfo(file).fileName());
            continue;
        }
        // Its subtitles go with it; one the trash refuses stays, harmless.
        for (const std::string& subtitle : SubtitleFiles::ownedBy(path))
            moveToTrash(wide(subtitle));
        files->removeFile(*it);
        ++gone;
    }
    lookAtFiles();
    if (!kept.isEmpty())
        emit message(tr("These files could not be moved to the trash, so they were not deleted: "
                        "the desktop has no trash for their folder, or they are in use.\n\n%1")
                         .arg(kept.join(QLatin1Char('\n'))));
    return gone;
}

bool DataFolder::renameFile(int row, const std::string& title) {
    const std::string from = files->mediaPath(row);
    if (from.empty())
        return false;
    const QString name = wide(title).trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        emit message(tr("\"%1\" cannot be a file's name.").arg(name));
        return false;
    }
    const QString type = files->index(row, Library::TypeColumn).data().toString();
    const std::string to =
        PlayerPage::mediaPath(narrow(name), FilePath::folderOf(from), narrow(type));
    if (to == from)
        return true;
    if (list->fileInUse(from)) {
        emit message(tr("%1 is being converted; rename it once that has ended.")
                         .arg(QFileInfo(wide(from)).fileName()));
        return false;
    }
    // QFile::rename never replaces a file that is there.
    if (QFileInfo::exists(wide(to)) || !QFile::rename(wide(from), wide(to))) {
        emit message(tr("Could not rename %1 to %2: a file of that name is there already, or "
                        "the folder cannot be changed.")
                         .arg(QFileInfo(wide(from)).fileName(), QFileInfo(wide(to)).fileName()));
        return false;
    }
    // Its subtitles follow, so that the player still finds them; one whose
    // new name is taken keeps its old one.
    for (const std::string& subtitle : SubtitleFiles::ownedBy(from))
        QFile::rename(wide(subtitle), wide(SubtitleFiles::following(subtitle, from, to)));
    files->renameFile(row, narrow(name));
    list->fileMoved(from, to);
    return true;
}

bool DataFolder::convertFile(int row) {
    const std::string path = files->mediaPath(row);
    const QString type = files->index(row, Library::TypeColumn).data().toString();
    const MediaFormat format = MediaFormat::ofExtension(narrow(type));
    if (path.empty() || !format.whole() || format.audio)
        return false;
    // The transfer that saved it converts it, when it can.
    for (std::size_t at = list->size(); at-- > 0;) {
        const TransferRecord& record = list->at(at);
        if (record.moviePath == path && list->convert(record.id))
            return true;
    }
    list->addConversion(path, narrow(files->index(row, Library::TitleColumn).data().toString()));
    return true;
}

bool DataFolder::stopTransfers() {
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

void DataFolder::fileSaved(const TransferRecord& record, bool mp3) {
    const std::string& path = mp3 ? record.mp3Path : record.moviePath;
    const std::string name = FilePath::fileNameOf(path);
    const std::string::size_type dot = FilePath::extensionAt(name);
    if (dot + 1 >= name.size())
        return;
    settingsFiles.rememberFolders({FilePath::folderOf(path)});
    files->addOnce(name.substr(0, dot), name.substr(dot + 1), FilePath::folderOf(path));
}

void DataFolder::transferEnded(const TransferRecord& record) {
    // The saved setting counts, not the box's state.
    if (current.notify)
        notifier->jobEnded(record);
}

void DataFolder::say(const std::string& text) {
    // Said in the user's language already.
    emit message(wide(text));
}

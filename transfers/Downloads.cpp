#include "Downloads.h"

#include "DownloadItems.h"
#include "JobEvent.h"
#include "Library.h"
#include "ListView.h"
#include "MessageBox.h"
#include "ProgressScale.h"
#include "Settings.h"
#include "Text.h"
#include "WorkerCounter.h"
#include "core.h"

#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int TitleCell = 0;
constexpr int ProgressCell = 1;
constexpr int StatusCell = 2;
constexpr int RateCell = 3;

constexpr const char* Processing = "processing...";
constexpr const char* DownloadComplete = "Download Complete!";
constexpr const char* Converting = "Converting to mp3...";
constexpr const char* ConvertedComplete = "Complete! Thank you for using Quillmoth.";
constexpr const char* NotFinished = "This item hasn't finished processing.";
constexpr const char* AlreadyConverted = "This item has already been converted.";
constexpr const char* ConvertFailed = core::convertFailedText;
constexpr const char* StartFailed = "Error: Could not start download.";

using Outcome = DownloadItems::Outcome;

// What a status text says about how its job stands. A job's last texts are
// "done" and one of the completion, error or cancel texts, in either order.
Outcome outcomeAfter(const std::string& text, Outcome before) {
    if (text == DownloadComplete || text == ConvertedComplete)
        return Outcome::Done;
    if (text == Converting)
        return Outcome::Converting;
    if (text == core::cancelledText)
        return Outcome::Cancelled;
    if (text.rfind("Error: ", 0) == 0)
        return Outcome::Failed;
    return before;
}

// Only a transfer that has not ended moves bytes; a conversion has no byte
// progress and an ended job no speed.
bool movingBytes(const DownloadItems& record) {
    return record.job == DownloadItems::Job::Transfer && record.outcome == Outcome::Running &&
           !record.complete();
}

} // namespace

Downloads::Downloads(QTreeWidget* transferList, QTreeWidget* libraryList, Settings* settings)
    : settings(settings), transferList(transferList), libraryList(libraryList),
      workers(std::make_shared<WorkerCounter>()), starter(defaultStarter()) {}

Downloads::~Downloads() {
    cancelAll();
}

void Downloads::startDetachedWorker(std::unique_ptr<core> job,
                                    const std::shared_ptr<WorkerCounter>& counter) {
    const core::Entry entry = job->entry();
    counter->started();
    try {
        std::thread worker([entry, counter, owned = job.get()] {
            // Runs on the worker thread, which owns the job: entry deletes
            // it (its files and ffmpeg are dealt with) before this returns.
            entry(owned);
            counter->returned();
        });
        job.release();
        worker.detach();
    } catch (...) {
        counter->returned();
        throw;
    }
}

Downloads::WorkerStarter Downloads::defaultStarter() const {
    return [counter = workers](std::unique_ptr<core> job) {
        startDetachedWorker(std::move(job), counter);
    };
}

void Downloads::setWorkerStarter(WorkerStarter replacement) {
    starter = replacement ? std::move(replacement) : defaultStarter();
}

bool Downloads::start(std::unique_ptr<core> job) {
    try {
        starter(std::move(job));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool Downloads::download(const std::string& url, const std::string& title) {
    // The record carries the title the files are named after; a name taken
    // in the folder gets its "(1)" when the file is saved, and the job says
    // which name it took.
    const int id = nextId++;

    // The transfer list owns the bar once it sits in the row.
    auto* bar = new QProgressBar;
    items[id] =
        std::make_unique<DownloadItems>(id, rowCount, core::safeTitle(title), Processing, bar);
    DownloadItems& record = *items[id];
    record.pageUrl = url;
    ++rowCount;
    addItemToListBox(id);
    startTransfer(record);
    return true;
}

void Downloads::renew(DownloadItems& record) {
    auto node = items.extract(record.id);
    record.id = nextId++;
    node.key() = record.id;
    items.insert(std::move(node));
    // The earlier job keeps its own token, cancelled or not.
    record.cancel = std::make_shared<CancelToken>();
    record.setComplete(false);
}

void Downloads::startTransfer(DownloadItems& record) {
    record.job = DownloadItems::Job::Transfer;
    record.outcome = Outcome::Running;

    // The job gets copies: later settings changes do not reach it.
    JobOptions options;
    options.pageUrl = record.pageUrl;
    options.title = record.getTitle();
    options.quality = settings ? settings->getQuality() : 4;
    if (settings) {
        options.movieFolder = settings->getMoviePath();
        options.musicFolder = settings->getMp3Path();
    }
    options.convert = settings ? settings->shouldConvertMovie() : false;
    record.movieFolder = options.movieFolder;
    record.musicFolder = options.musicFolder;

    // Record and row exist before the worker runs, so its first report finds them.
    if (!start(std::make_unique<core>(std::move(options), record.id, &Downloads::report,
                                      record.cancel))) {
        record.setComplete(true);
        record.outcome = Outcome::Failed;
        ListView::setCellText(transferList, record.listID, StatusCell, wide(StartFailed));
    }
}

void Downloads::startConversion(DownloadItems& record) {
    record.job = DownloadItems::Job::Conversion;
    record.outcome = Outcome::Converting;

    // The folders of the moment, which may not be those of the transfer.
    JobOptions options;
    options.title = record.getTitle();
    if (settings) {
        options.movieFolder = settings->getMoviePath();
        options.musicFolder = settings->getMp3Path();
    }
    options.bitRate = core::onRequestBitRate;
    record.movieFolder = options.movieFolder;
    record.musicFolder = options.musicFolder;

    ListView::setCellText(transferList, record.listID, StatusCell, wide(Converting));
    // ffmpeg tells nothing of its progress.
    if (record.pb)
        record.pb->setRange(0, 0);

    if (!start(core::conversion(std::move(options), record.getType(), record.id, &Downloads::report,
                                record.cancel))) {
        record.setComplete(true);
        record.outcome = Outcome::Failed;
        ListView::setCellText(transferList, record.listID, StatusCell, wide(ConvertFailed));
        settleBar(record);
    }
}

// Runs on a job's worker thread: the event travels as the channel's texts
// and progress reports.
void Downloads::report(const JobEvent& event) {
    if (event.kind == JobEvent::Kind::Progress) {
        cb2(event.id, event.total, event.done);
        return;
    }
    for (const std::string& text : event.texts())
        cb(event.id, text.c_str());
}

void Downloads::addItemToListBox(int id) {
    DownloadItems* record = item(id);
    if (!record)
        return;
    const int row = ListView::addRow(
        transferList, {wide(record->getTitle()), QString(), wide(record->getStatus()), QString()});
    if (QProgressBar* bar = record->pb) {
        bar->setVisible(true);
        bar->setRange(0, 100);
        bar->setValue(0);
        ListView::setCellWidget(transferList, row, ProgressCell, bar);
    }
}

std::string Downloads::findTitle(const std::string& docText) {
    return core::findTitle(docText).value_or(std::string());
}

bool Downloads::tick() {
    return tick(DLPair::Clock::now());
}

bool Downloads::tick(DLPair::Clock::time_point now) {
    bool processed = false;

    // Every status queued before this tick, up to a bound, so that many
    // transfers do not leave their rows seconds behind.
    for (const std::string& text : updates.take(maxStatusesPerTick)) {
        const Decoded decoded = decode(text);
        updateItemStatus(decoded.id, decoded.status);
        processed = true;
    }

    // Only what was queued before this tick: workers that keep pushing
    // cannot hold the window's thread here. A transfer's last report decides
    // what its bar shows, so each bar is set once however many arrived.
    std::vector<DLPair> latest;
    for (const DLPair& pair : dls.takeAll()) {
        processed = true;
        const auto same = std::find_if(latest.begin(), latest.end(),
                                       [&](const DLPair& p) { return p.index == pair.index; });
        if (same != latest.end())
            *same = pair;
        else
            latest.push_back(pair);
    }
    for (const DLPair& pair : latest)
        showProgress(pair);
    noteStalls(now);
    return processed;
}

void Downloads::showProgress(const DLPair& pair) {
    DownloadItems* record = item(pair.index);
    if (!record || !record->pb)
        return;
    const ProgressScale scale = ProgressScale::fit(pair.tot, pair.dwn);
    // Reports drained after their job's "done" may still say "unknown
    // total"; the bar of an ended job stays still.
    if (scale.busy() && record->complete())
        return;
    // QProgressBar repaints at once, flushing the window, whenever its text
    // changes; held updates turn that into one deferred paint of all bars.
    QProgressBar* bar = record->pb;
    bar->setUpdatesEnabled(false);
    bar->setRange(0, scale.maximum);
    bar->setValue(scale.value);
    bar->setUpdatesEnabled(true);
    if (movingBytes(*record)) {
        record->speed.rate.add(pair.at, pair.dwn, pair.tot);
        redrawRate(*record, pair.at);
    }
}

void Downloads::redrawRate(DownloadItems& record, DLPair::Clock::time_point at) {
    DownloadItems::Speed& speed = record.speed;
    // A few texts a second are all anyone can read; each costs a repaint.
    if (at - speed.shownAt < rateRedrawInterval)
        return;
    speed.shownAt = at;
    showRate(record, speed.rate.describe());
}

void Downloads::showRate(DownloadItems& record, std::string text) {
    if (text == record.speed.shown)
        return;
    record.speed.shown = std::move(text);
    ListView::setCellText(transferList, record.listID, RateCell, wide(record.speed.shown));
}

void Downloads::noteStalls(DLPair::Clock::time_point now) {
    // The engine reports every change of the bytes within 50 ms; a transfer
    // that has said nothing for longer has received nothing, and its rate
    // must fall rather than keep the last figure.
    for (const auto& [id, record] : items) {
        TransferRate& rate = record->speed.rate;
        const auto last = rate.lastSampleAt();
        if (!record->speed.shown.empty() && movingBytes(*record) && last &&
            now - *last >= stallAfter) {
            rate.addSilence(now);
            redrawRate(*record, now);
        }
    }
}

void Downloads::settleBar(DownloadItems& record) {
    QProgressBar* bar = record.pb;
    if (!bar || !record.ended())
        return;
    if (record.outcome == Outcome::Done) {
        if (bar->maximum() == 0 || bar->value() != bar->maximum()) {
            bar->setRange(0, 1);
            bar->setValue(1);
        }
    } else if (bar->maximum() == 0) {
        bar->setRange(0, 1);
        bar->setValue(0);
    }
}

void Downloads::updateItemStatus(int id, const std::string& status) {
    DownloadItems* record = item(id);
    // A job may go on reporting after its row was cleared or retried;
    // nothing to show it on.
    if (!record)
        return;

    if (status.rfind(JobEvent::savedWord, 0) == 0) {
        takeSavedName(*record, status.substr(std::char_traits<char>::length(JobEvent::savedWord)));
        return;
    }
    if (status == ConvertedComplete)
        addItemToLib(record->mp3Title, "mp3", record->musicFolder);
    else if (status == DownloadComplete)
        addItemToLib(record->getTitle(), record->getType(), record->movieFolder);

    const bool wasEnded = record->ended();
    if (status == "setflv") {
        record->setType("flv");
    } else if (status == "setmp4") {
        record->setType("mp4");
    } else if (status == "setmp3") {
        record->setConverted(true);
    } else if (status == "done") {
        record->setComplete(true);
    } else {
        record->outcome = outcomeAfter(status, record->outcome);
        record->shownStatus = status;
        ListView::setCellText(transferList, record->listID, StatusCell, wide(status));
    }
    settleBar(*record);
    if (!movingBytes(*record)) {
        showRate(*record, std::string());
        record->speed = {};
    }
    if (!wasEnded && record->ended() && onEnded)
        onEnded(*record);
}

void Downloads::takeSavedName(DownloadItems& record, const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return;
    const std::string stem = fileName.substr(0, dot);
    if (fileName.compare(dot + 1, std::string::npos, "mp3") == 0) {
        record.mp3Title = stem;
        return;
    }
    record.title = stem;
    record.mp3Title = stem;
    ListView::setCellText(transferList, record.listID, TitleCell, wide(stem));
}

void Downloads::addItemToLib(const std::string& title, const std::string& type,
                             const std::string& folder) {
    // The Settings tab's Library check boxes hide a kind from the list.
    if (settings && !settings->getLibrary()->shows(type))
        return;
    // The folder rides in the row's third cell, as in rows listed from disk.
    const QStringList cells = {wide(title), wide(type), wide(folder)};
    // A retried job writes the file its first attempt may have listed already.
    for (int row = 0; row < ListView::rowCount(libraryList); ++row) {
        if (ListView::cellCount(libraryList, row) == cells.size() &&
            ListView::cellText(libraryList, row, 0) == cells[0] &&
            ListView::cellText(libraryList, row, 1) == cells[1] &&
            ListView::cellText(libraryList, row, 2) == cells[2])
            return;
    }
    ListView::addRow(libraryList, cells);
}

void Downloads::refresh() {
    // Bars ride on their rows; this only puts back one that lost its cell.
    for (const auto& [id, record] : items) {
        QProgressBar* bar = record->pb;
        if (bar && ListView::cellWidget(transferList, record->listID, ProgressCell) != bar)
            ListView::setCellWidget(transferList, record->listID, ProgressCell, bar);
    }
}

void Downloads::clearItemFromView(int listID) {
    DownloadItems* record = itemAtRow(listID);
    if (!record)
        return;
    if (!record->complete()) {
        showMessage(NotFinished);
        return;
    }
    delete record->pb.data();
    ListView::removeRow(transferList, listID);
    --rowCount;
    items.erase(record->id);
    // Ids no longer follow rows once a row was retried, so every record is looked at.
    for (auto& [id, other] : items)
        if (other->listID > listID)
            --other->listID;
    refresh();
}

void Downloads::convert(int listID) {
    DownloadItems* record = itemAtRow(listID);
    if (!record)
        return;
    if (!record->complete())
        showMessage(NotFinished);
    else if (record->converted())
        showMessage(AlreadyConverted);
    else
        helpConvert(record->id);
}

void Downloads::helpConvert(int id) {
    DownloadItems* record = item(id);
    if (!record || !record->complete())
        return;
    renew(*record);
    startConversion(*record);
}

void Downloads::cancel(int listID) {
    DownloadItems* record = itemAtRow(listID);
    // An ended job has nothing left to stop.
    if (record && !record->complete())
        record->cancel->cancel();
}

void Downloads::retry(int listID) {
    DownloadItems* record = itemAtRow(listID);
    if (!record || !record->canRetry())
        return;
    renew(*record);
    if (record->job == DownloadItems::Job::Conversion) {
        startConversion(*record);
        return;
    }
    record->setType("");
    record->setConverted(false);
    if (record->pb) {
        record->pb->setRange(0, 100);
        record->pb->setValue(0);
    }
    ListView::setCellText(transferList, record->listID, StatusCell, wide(Processing));
    startTransfer(*record);
}

void Downloads::cancelAll() {
    for (const auto& [id, record] : items)
        if (!record->complete())
            record->cancel->cancel();
}

bool Downloads::waitForWorkers(std::chrono::milliseconds limit) {
    return workers->waitUntilNone(limit);
}

void Downloads::setView(QTreeWidget* replacement) {
    transferList = replacement;
}

DownloadItems* Downloads::item(int id) const {
    const auto it = items.find(id);
    return it == items.end() ? nullptr : it->second.get();
}

DownloadItems* Downloads::itemAtRow(int listID) const {
    for (const auto& [id, record] : items)
        if (record->listID == listID)
            return record.get();
    return nullptr;
}

void Downloads::showMessage(const char* text) const {
    MessageBox::show(wide(text), transferList);
}

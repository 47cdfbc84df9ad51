#include "Downloads.h"

#include "DownloadItems.h"
#include "JobEvent.h"
#include "ListView.h"
#include "MessageBox.h"
#include "ProgressScale.h"
#include "Settings.h"
#include "Text.h"
#include "core.h"

#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int ProgressCell = 1;
constexpr int StatusCell = 2;

constexpr const char* Processing = "processing...";
constexpr const char* DownloadComplete = "Download Complete!";
constexpr const char* ConvertedComplete = "Complete! Thank you for using Quillmoth.";
constexpr const char* NotFinished = "This item hasn't finished processing.";
constexpr const char* AlreadyConverted = "This item has already been converted.";
constexpr const char* ConvertFailed = "Error: Could not convert to mp3.";
constexpr const char* StartFailed = "Error: Could not start download.";

} // namespace

Downloads::Downloads(QTreeWidget* view, QTreeWidget* view2, Settings* settings)
    : settings(settings), view(view), view2(view2), starter(&Downloads::startDetachedWorker) {}

// Running jobs are not waited for: they only ever reach the static queues.
Downloads::~Downloads() = default;

void Downloads::startDetachedWorker(std::unique_ptr<core> job) {
    std::thread worker(&core::ThreadStaticEntryPoint, static_cast<void*>(job.get()));
    // The worker thread owns the job from here and deletes it when its
    // pipeline returns; nothing on this side touches it again.
    job.release();
    worker.detach();
}

void Downloads::setWorkerStarter(WorkerStarter replacement) {
    starter = replacement ? std::move(replacement) : WorkerStarter(&Downloads::startDetachedWorker);
}

std::string Downloads::uniqueTitle(std::string title) {
    while (usedTitles.count(title))
        title += "(1)";
    usedTitles[title] = true;
    return title;
}

bool Downloads::download(const std::string& url, const std::string& title) {
    // The record carries the name the files will have.
    const std::string unique = uniqueTitle(core::safeTitle(title));
    const int id = nextId;

    // The transfer list owns the bar once it sits in the row.
    auto* bar = new QProgressBar;
    items[id] = std::make_unique<DownloadItems>(id, rowCount, unique, Processing, bar);
    ++rowCount;
    addItemToListBox(id);

    // The job gets copies: later settings changes do not reach it.
    JobOptions options;
    options.pageUrl = url;
    options.title = unique;
    options.quality = settings ? settings->getQuality() : 4;
    options.movieFolder = Settings::moviePath;
    options.musicFolder = Settings::mp3Path;
    options.convert = settings ? settings->shouldConvertMovie() : false;
    auto job =
        std::make_unique<core>(std::move(options), id, &Downloads::report, items[id]->cancel);
    ++nextId;

    // Record and row exist before the worker runs, so its first report finds them.
    try {
        starter(std::move(job));
    } catch (const std::system_error&) {
        DownloadItems* record = items[id].get();
        record->setComplete(true);
        ListView::setCellText(view, record->listID, StatusCell, wide(StartFailed));
    }
    return true;
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

void Downloads::addItemToListBox(int index) {
    DownloadItems* record = item(index);
    if (!record)
        return;
    const int row =
        ListView::addRow(view, {wide(record->getTitle()), QString(), wide(record->getStatus())});
    if (QProgressBar* bar = record->pb) {
        bar->setVisible(true);
        bar->setRange(0, 100);
        bar->setValue(0);
        ListView::setCellWidget(view, row, ProgressCell, bar);
    }
}

std::string Downloads::findTitle(const std::string& docText) {
    core::findTitle(docText.c_str());
    return core::title;
}

bool Downloads::tick() {
    bool processed = false;

    // Every status queued before this tick, up to a bound, so that many
    // transfers do not leave their rows seconds behind.
    std::size_t statuses = std::min(updates.size(), maxStatusesPerTick);
    for (; statuses > 0; --statuses) {
        const auto text = updates.front();
        if (!text)
            break;
        const Decoded decoded = decode(*text);
        updateItemStatus(decoded.id, decoded.status);
        updates.pop();
        processed = true;
    }

    // Only what was queued before this tick: workers that keep pushing
    // cannot hold the window's thread here. A transfer's last report decides
    // what its bar shows, so each bar is set once however many arrived.
    std::vector<DLPair> latest;
    for (std::size_t pending = dls.size(); pending > 0; --pending) {
        const auto pair = dls.front();
        if (!pair)
            break;
        dls.pop();
        processed = true;
        const auto same = std::find_if(latest.begin(), latest.end(),
                                       [&](const DLPair& p) { return p.index == pair->index; });
        if (same != latest.end())
            *same = *pair;
        else
            latest.push_back(*pair);
    }
    for (const DLPair& pair : latest)
        showProgress(pair);
    return processed;
}

void Downloads::showProgress(const DLPair& pair) {
    DownloadItems* record = item(pair.index);
    if (!record || !record->pb)
        return;
    const ProgressScale scale = ProgressScale::fit(pair.tot, pair.dwn);
    record->pb->setRange(0, scale.maximum);
    record->pb->setValue(scale.value);
}

void Downloads::updateItemStatus(int index, const std::string& status) {
    DownloadItems* record = item(index);
    // A job may go on reporting after its row was cleared; nothing to show it on.
    if (!record)
        return;

    if (status == ConvertedComplete)
        addItemToLib(record->getTitle(), "mp3");
    else if (status == DownloadComplete)
        addItemToLib(record->getTitle(), record->getType());

    if (status == "setflv")
        record->setType("flv");
    else if (status == "setmp4")
        record->setType("mp4");
    else if (status == "setmp3")
        record->setConverted(true);
    else if (status == "done")
        record->setComplete(true);
    else
        ListView::setCellText(view, record->listID, StatusCell, wide(status));
}

void Downloads::addItemToLib(const std::string& title, const std::string& type) {
    ListView::addRow(view2, {wide(title), wide(type)});
}

void Downloads::refresh() {
    // Bars ride on their rows; this only puts back one that lost its cell.
    for (const auto& [id, record] : items) {
        QProgressBar* bar = record->pb;
        if (bar && ListView::cellWidget(view, record->listID, ProgressCell) != bar)
            ListView::setCellWidget(view, record->listID, ProgressCell, bar);
    }
}

void Downloads::clearItemFromView(int listID) {
    auto removed = items.end();
    for (auto it = items.begin(); it != items.end(); ++it) {
        DownloadItems& record = *it->second;
        if (removed != items.end()) {
            --record.listID;
            continue;
        }
        if (record.listID != listID)
            continue;
        if (!record.complete()) {
            showMessage(NotFinished);
            return;
        }
        delete record.pb.data();
        ListView::removeRow(view, listID);
        --rowCount;
        removed = it;
    }
    if (removed == items.end())
        return;
    items.erase(removed);
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

void Downloads::helpConvert(int index) {
    DownloadItems* record = item(index);
    if (!record)
        return;
    // Blocks the window's thread until ffmpeg returns; reports wait in their queues.
    const bool made = core::converter(Settings::moviePath, Settings::mp3Path, record->getTitle(),
                                      record->getType());
    if (!made) {
        showMessage(ConvertFailed);
        return;
    }
    record->setConverted(true);
    updateItemStatus(index, ConvertedComplete);
}

void Downloads::setView(QTreeWidget* replacement) {
    view = replacement;
}

DownloadItems* Downloads::item(int index) const {
    const auto it = items.find(index);
    return it == items.end() ? nullptr : it->second.get();
}

DownloadItems* Downloads::itemAtRow(int listID) const {
    for (const auto& [id, record] : items)
        if (record->listID == listID)
            return record.get();
    return nullptr;
}

void Downloads::showMessage(const char* text) const {
    MessageBox::show(wide(text), view);
}

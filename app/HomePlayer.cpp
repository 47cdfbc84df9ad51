#include "HomePlayer.h"

#include "BrowserPane.h"
#include "CancelToken.h"
#include "Medias.h"

#include <QTimer>
#include <QUrl>

#include <exception>
#include <filesystem>
#include <system_error>

namespace {

constexpr int DrainInterval = 100; // ms

// Shown while the copy is made (%1: the escaped name). Only numbers reach it
// afterwards, through quillmothProgress.
const char* const PreparingPage = R"HTML(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Preparing…</title><style>
html, body { margin: 0; height: 100%; overflow: hidden; background: black; color: #eee;
  font: 16px sans-serif; }
#container { box-sizing: border-box; height: 100%; padding: 0 2em; display: flex;
  flex-direction: column; align-items: center; justify-content: center; gap: 1em;
  text-align: center; }
progress { width: 60%; }
</style></head><body>
<div id="container" data-player-state="preparing">
<div>Preparing <b id="name">%1</b> for playback…</div>
<progress id="bar"></progress><div id="detail"></div></div>
<script>
function quillmothProgress(done, total) {
  var bar = document.getElementById('bar');
  var detail = document.getElementById('detail');
  if (total > 0) {
    bar.max = total;
    bar.value = Math.min(done, total);
    detail.textContent = Math.floor(100 * Math.min(done, total) / total) + '%';
  } else {
    bar.removeAttribute('value');
    detail.textContent = '';
  }
}
</script></body></html>)HTML";

// %1: the escaped name, %2: the escaped reason.
const char* const FailurePage = R"HTML(<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; height: 100%; overflow: hidden; background: black; color: #eee;
  font: 16px sans-serif; }
#container { box-sizing: border-box; height: 100%; padding: 0 2em; display: flex;
  flex-direction: column; align-items: center; justify-content: center; text-align: center; }
</style></head><body>
<div id="container" data-player-state="failed"><p>%1 cannot be played.</p><p>%2</p></div>
</body></html>)HTML";

QString fileName(const std::string& path) {
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

bool isMusic(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return !extension.empty() && Medias::isMusicType(extension.substr(1));
}

} // namespace

HomePlayer::HomePlayer(BrowserPane* pane, std::string dataFolder, QObject* parent)
    : QObject(parent), pane(pane), dataFolder(std::move(dataFolder)),
      copies((std::filesystem::path(this->dataFolder) / "PlayCache").string()),
      timer(new QTimer(this)) {
    // What it shows starts playing on its own.
    pane->allowAutoplay(true);
    timer->setInterval(DrainInterval);
    connect(timer, &QTimer::timeout, this, &HomePlayer::drain);
}

HomePlayer::~HomePlayer() {
    for (auto& worker : workers)
        worker->cancel->cancel();
    for (auto& worker : workers)
        if (worker->thread.joinable())
            worker->thread.join();
}

void HomePlayer::play(const std::string& mediaPath) {
    ++plays;
    if (current) {
        // Its worker winds down on its own and is joined once it has ended.
        current->cancel->cancel();
        current = nullptr;
    }
    currentName = fileName(mediaPath);

    // A copy made before plays at once; cachedCopy only looks at files.
    std::string cached;
    try {
        cached = copies.cachedCopy(mediaPath);
    } catch (const std::exception&) {
        cached.clear();
    }
    if (!cached.empty()) {
        PlayableCopy::Result result;
        result.outcome = PlayableCopy::Outcome::Ready;
        result.way = PlayableCopy::Way::Cached;
        result.path = cached;
        settle(result, currentName);
        return;
    }

    showPreparing(currentName);
    start(mediaPath);
}

void HomePlayer::start(const std::string& mediaPath) {
    // Kept before its thread starts, so that a running thread always has an
    // owner that joins it.
    workers.push_back(std::make_unique<Worker>());
    Worker* job = workers.back().get();
    job->play = plays;
    job->cancel = std::make_unique<CancelToken>();
    try {
        // Runs on the worker thread: it reads only its own copies of the
        // path and the PlayableCopy and the job's token, and writes only to
        // the report queue and the job's ended flag. Neither the job nor the
        // queue goes away before the thread is joined (see ~HomePlayer).
        job->thread = std::thread([job, media = mediaPath, copy = copies, queue = &reports] {
            const unsigned long long play = job->play;
            Report last;
            last.play = play;
            last.final = true;
            try {
                last.result = copy.prepare(
                    media,
                    [queue, play](double done, double total) {
                        Report progress;
                        progress.play = play;
                        progress.done = done;
                        progress.total = total;
                        queue->push(std::move(progress));
                    },
                    job->cancel.get());
            } catch (const std::exception& error) {
                last.result.outcome = PlayableCopy::Outcome::Failed;
                last.result.error = error.what();
            }
            queue->push(std::move(last));
            job->ended.store(true, std::memory_order_release);
        });
    } catch (const std::system_error& error) {
        workers.pop_back();
        PlayableCopy::Result failed;
        failed.error = std::string("No thread could be started to prepare it: ") + error.what();
        settle(failed, currentName);
        return;
    }
    current = job;
    timer->start();
}

void HomePlayer::drain() {
    // Runs on the window's thread: everything reported so far, the newest
    // progress shown once.
    bool haveProgress = false;
    double done = 0, total = 0;
    while (auto report = reports.front()) {
        reports.pop();
        if (!current || report->play != current->play)
            continue; // a replaced play
        if (!report->final) {
            haveProgress = true;
            done = report->done;
            total = report->total;
            continue;
        }
        // settle() may start another play; later reports are its own.
        current = nullptr;
        haveProgress = false;
        settle(report->result, currentName);
    }
    if (haveProgress)
        showProgress(done, total);
    reapEnded();
    if (workers.empty())
        timer->stop();
}

void HomePlayer::reapEnded() {
    for (auto it = workers.begin(); it != workers.end();) {
        Worker& worker = **it;
        if (&worker != current && worker.ended.load(std::memory_order_acquire)) {
            // It has pushed its last report and is returning: the join is brief.
            worker.thread.join();
            it = workers.erase(it);
        } else {
            ++it;
        }
    }
}

void HomePlayer::settle(const PlayableCopy::Result& result, const QString& name) {
    if (result.outcome != PlayableCopy::Outcome::Ready) {
        showFailure(name, QString::fromStdString(result.error));
    } else if (!isMusic(result.path) && Medias::playerScript().empty()) {
        showFailure(name, QStringLiteral("The player (jwplayer.js) is neither beside the program "
                                         "nor in its installed data folder."));
    } else {
        const std::string page = Medias::createMovie(result.path, dataFolder, name.toStdString());
        if (page.empty())
            showFailure(name, QStringLiteral("The player page could not be written in %1.")
                                  .arg(QString::fromStdString(dataFolder)));
        else
            pane->load(QUrl::fromLocalFile(QString::fromStdString(page)));
    }
    emit finished(result);
}

void HomePlayer::showPreparing(const QString& name) {
    showHtml(QString::fromUtf8(PreparingPage).arg(name.toHtmlEscaped()));
}

void HomePlayer::showProgress(double done, double total) {
    // Numbers only; the page ignores the call if it is no longer shown.
    pane->page()->runJavaScript(
        QStringLiteral("typeof quillmothProgress === 'function' && quillmothProgress(%1, %2);")
            .arg(done, 0, 'f', 2)
            .arg(total, 0, 'f', 2));
}

void HomePlayer::showFailure(const QString& name, const QString& reason) {
    const QString why =
        reason.isEmpty() ? QStringLiteral("Preparing it for playback failed.") : reason;
    // One pass for both, so a "%2" in the name stays text.
    showHtml(QString::fromUtf8(FailurePage).arg(name.toHtmlEscaped(), why.toHtmlEscaped()));
}

void HomePlayer::showHtml(const QString& html) {
    // Based in the data folder, like the player page that follows, so the
    // pane keeps its page process instead of starting another for it.
    pane->setHtml(html, QUrl::fromLocalFile(QString::fromStdString(dataFolder) + "/"));
}

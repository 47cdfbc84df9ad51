#include "app/window/HomePlayer.h"

#include "base/WorkRunner.h"
#include "library/PlayerPage.h"
#include "toolkit/BrowserPane.h"
#include "transfers/ReasonTexts.h"

#include <QMetaObject>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <system_error>

namespace {

// The page shows a figure; a few a second are plenty.
constexpr std::chrono::milliseconds ProgressEvery{100};

QString fileName(const std::string& path) {
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

} // namespace

HomePlayer::HomePlayer(BrowserPane* pane, std::string dataFolder, WorkRunner& runner,
                       QObject* parent)
    : QObject(parent), pane(pane), dataFolder(std::move(dataFolder)), runner(runner),
      copies((std::filesystem::path(this->dataFolder) / "PlayCache").string()) {
    // What it shows starts playing on its own.
    pane->allowAutoplay(true);
}

HomePlayer::~HomePlayer() {
    for (const auto& preparation : preparations)
        preparation->cancel.cancel();
    // The work posts to this object until it ends; what it posted and this
    // object never ran goes with it.
    for (const auto& preparation : preparations)
        preparation->ended.wait();
}

void HomePlayer::play(const std::string& mediaPath) {
    ++plays;
    // Its work winds down on its own and says so once it has ended.
    stop();
    currentName = fileName(mediaPath);
    currentMedia = mediaPath;

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

void HomePlayer::stop() {
    if (current)
        current->cancel.cancel();
    current = nullptr;
}

void HomePlayer::start(const std::string& mediaPath) {
    auto preparation = std::make_shared<Preparation>();
    preparation->play = plays;
    preparation->ended = preparation->done.get_future().share();
    try {
        // Runs on a worker thread: it reads only its own copies of the path
        // and the PlayableCopy and the preparation's token, and reaches this
        // object only through queued calls. The destructor waits for `done`,
        // so this object is there for every call posted before it.
        runner.run([this, preparation, media = mediaPath, copy = copies] {
            auto lastShown = std::chrono::steady_clock::time_point{};
            const unsigned long long play = preparation->play;
            PlayableCopy::Result result;
            try {
                result = copy.prepare(
                    media,
                    [this, play, &lastShown](double done, double total) {
                        const auto now = std::chrono::steady_clock::now();
                        if (now - lastShown < ProgressEvery)
                            return;
                        lastShown = now;
                        QMetaObject::invokeMethod(
                            this, [this, play, done, total] { progressed(play, done, total); },
                            Qt::QueuedConnection);
                    },
                    &preparation->cancel);
            } catch (const std::exception& error) {
                result.outcome = PlayableCopy::Outcome::Failed;
                result.reason = Reason::PlayFailed;
                result.detail = error.what();
            }
            QMetaObject::invokeMethod(
                this, [this, preparation, result] { ended(preparation, result); },
                Qt::QueuedConnection);
            preparation->done.set_value();
        });
    } catch (const std::system_error& error) {
        PlayableCopy::Result failed;
        failed.reason = Reason::PlayNoThread;
        failed.detail = error.what();
        settle(failed, currentName);
        return;
    }
    preparations.push_back(preparation);
    current = preparation.get();
}

void HomePlayer::progressed(unsigned long long play, double done, double total) {
    // A replaced play's figures are no longer shown.
    if (current && current->play == play)
        showProgress(done, total);
}

void HomePlayer::ended(const std::shared_ptr<Preparation>& preparation,
                       const PlayableCopy::Result& result) {
    preparations.erase(std::remove(preparations.begin(), preparations.end(), preparation),
                       preparations.end());
    if (preparation.get() != current)
        return; // a replaced play
    current = nullptr;
    settle(result, currentName);
}

void HomePlayer::settle(const PlayableCopy::Result& result, const QString& name) {
    if (result.outcome != PlayableCopy::Outcome::Ready) {
        showFailure(name, result.reason, result.detail);
    } else {
        // A copy shows the subtitles saved beside the file it was made of.
        const std::string page =
            PlayerPage::writeFor(result.path, dataFolder, name.toStdString(), currentMedia);
        if (page.empty())
            showFailure(name, Reason::PlayerPageUnwritten, dataFolder);
        else
            pane->load(QUrl::fromLocalFile(QString::fromStdString(page)));
    }
    emit finished(result);
}

void HomePlayer::showPreparing(const QString& name) {
    showHtml(PlayerPage::preparingPage(name.toStdString()));
}

void HomePlayer::showProgress(double done, double total) {
    // The page ignores the call if it is no longer shown.
    pane->page()->runJavaScript(QString::fromStdString(PlayerPage::progressScript(done, total)));
}

void HomePlayer::showFailure(const QString& name, Reason reason, const std::string& detail) {
    const QString why =
        ReasonTexts::text(reason == Reason::None ? Reason::PlayFailed : reason, detail);
    showHtml(PlayerPage::failurePage(name.toStdString(), why.toStdString()));
}

void HomePlayer::showHtml(const std::string& html) {
    // Based in the data folder, like the player page that follows, so the
    // pane keeps its page process instead of starting another for it.
    pane->setHtml(QString::fromStdString(html),
                  QUrl::fromLocalFile(QString::fromStdString(dataFolder) + "/"));
}

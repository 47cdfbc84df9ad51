#pragma once

#include "base/CancelToken.h"
#include "media/PlayableCopy.h"

#include <QObject>
#include <QString>

#include <future>
#include <memory>
#include <string>
#include <vector>

class BrowserPane;
class WorkRunner;

// Plays a library file in the Home pane. A file the pane cannot decode is
// first made playable (PlayableCopy) on one of the runner's workers while a
// "Preparing" page shows the progress; then the player page is written and
// shown, or a page with the reason it cannot play. Lives on the window's
// thread: the work posts its progress and result back as queued calls.
class HomePlayer : public QObject {
    Q_OBJECT
public:
    // The pane must outlive this object, the runner every play(). Copies
    // are cached in <dataFolder>/PlayCache; the player page is written into
    // dataFolder.
    HomePlayer(BrowserPane* pane, std::string dataFolder, WorkRunner& runner,
               QObject* parent = nullptr);
    // Cancels any preparation and waits for its work to end (ffmpeg is
    // ended: TERM, then KILL after ProcessRunner::TermGrace).
    ~HomePlayer() override;

    HomePlayer(const HomePlayer&) = delete;
    HomePlayer& operator=(const HomePlayer&) = delete;

    // Shows the file in the pane. A play still preparing is cancelled and its
    // result ignored.
    void play(const std::string& mediaPath);
    // Gives up a preparation under way (closing); the pane keeps its page.
    void stop();

    // A play is waiting for its playable copy.
    bool isPreparing() const { return current != nullptr; }
    // Preparations whose work has not reported its end, replaced ones included.
    std::size_t workerCount() const { return preparations.size(); }
    const std::string& cacheFolder() const { return copies.folder(); }

signals:
    // The play ended: the pane now loads its player page (Ready) or shows
    // why it cannot play (Failed). Plays replaced by a newer one end quietly.
    void finished(const PlayableCopy::Result& result);

private:
    // One preparation, shared with its work on the worker thread.
    struct Preparation {
        unsigned long long play = 0;
        CancelToken cancel;
        // Set by the work as the very last thing it does with this object.
        std::promise<void> done;
        std::shared_future<void> ended;
    };

    void start(const std::string& mediaPath);
    void progressed(unsigned long long play, double done, double total);
    void ended(const std::shared_ptr<Preparation>& preparation, const PlayableCopy::Result& result);
    void settle(const PlayableCopy::Result& result, const QString& name);
    void showPreparing(const QString& name);
    void showProgress(double done, double total);
    // Why it cannot play, in the user's words.
    void showFailure(const QString& name, Reason reason, const std::string& detail = {});
    void showHtml(const std::string& html);

    BrowserPane* pane;
    std::string dataFolder;
    WorkRunner& runner;
    PlayableCopy copies;
    // Every preparation not yet ended; current is the one whose result counts.
    std::vector<std::shared_ptr<Preparation>> preparations;
    Preparation* current = nullptr;
    QString currentName;
    // The file the user asked to play, not its copy.
    std::string currentMedia;
    unsigned long long plays = 0;
};

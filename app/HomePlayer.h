#pragma once

#include "PlayableCopy.h"
#include "ReportQueue.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class BrowserPane;
class CancelToken;
class QTimer;

// Plays a library file in the Home pane. A file the pane cannot decode is
// first made playable (PlayableCopy) on a worker thread while a "Preparing"
// page shows the progress; then the player page is written and shown, or a
// page with the reason it cannot play. Lives on the window's thread: workers
// only push reports into a queue that a timer drains here while they run.
class HomePlayer : public QObject {
    Q_OBJECT
public:
    // The pane must outlive this object. Copies are cached in
    // <dataFolder>/PlayCache; the player page is written into dataFolder.
    HomePlayer(BrowserPane* pane, std::string dataFolder, QObject* parent = nullptr);
    // Cancels any preparation and waits for its worker (ffmpeg is ended:
    // TERM, then KILL after ProcessRunner::TermGrace).
    ~HomePlayer() override;

    HomePlayer(const HomePlayer&) = delete;
    HomePlayer& operator=(const HomePlayer&) = delete;

    // Shows the file in the pane. A play still preparing is cancelled and its
    // result ignored.
    void play(const std::string& mediaPath);

    // A play is waiting for its playable copy.
    bool isPreparing() const { return current != nullptr; }
    // Workers not joined yet, replaced ones included.
    std::size_t workerCount() const { return workers.size(); }
    const std::string& cacheFolder() const { return copies.folder(); }

signals:
    // The play ended: the pane now loads its player page (Ready) or shows
    // why it cannot play (Failed). Plays replaced by a newer one end quietly.
    void finished(const PlayableCopy::Result& result);

private:
    struct Report {
        unsigned long long play = 0;
        bool final = false;
        double done = 0, total = 0;
        PlayableCopy::Result result;
    };
    struct Worker {
        unsigned long long play = 0;
        std::unique_ptr<CancelToken> cancel;
        std::atomic<bool> ended{false};
        std::thread thread;
    };

    void start(const std::string& mediaPath);
    void drain();
    void reapEnded();
    void settle(const PlayableCopy::Result& result, const QString& name);
    void showPreparing(const QString& name);
    void showProgress(double done, double total);
    void showFailure(const QString& name, const QString& reason);
    void showHtml(const QString& html);

    BrowserPane* pane;
    std::string dataFolder;
    PlayableCopy copies;
    ReportQueue<Report> reports;
    // Owned through parent: drains reports while a worker runs.
    QTimer* timer;
    // Every worker not yet joined; current is the one whose result counts.
    std::vector<std::unique_ptr<Worker>> workers;
    Worker* current = nullptr;
    QString currentName;
    unsigned long long plays = 0;
};

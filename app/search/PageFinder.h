#pragma once

#include "http/FetchBounds.h"
#include "jobs/SourceRef.h"
#include "toolkit/WindowPost.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class WorkRunner;

// Reads a Search page off the window's thread, as a job would read it: its
// title (the headline, else og:title, the JSON-LD name, <title>) and the
// sources it offers beyond a stream map, the quality's choice first marked.
// Window thread; the reading runs on a worker.
class PageFinder : public QObject {
    Q_OBJECT
public:
    struct Findings {
        std::string title;
        std::vector<SourceRef> sources;
        // The index in sources the quality picks; -1 when none.
        int chosen = -1;
        // The page has a stream map, which a job takes before any source.
        bool streamMap = false;
    };
    using Found = std::function<void(const Findings&)>;
    // A source an address turned out to be, or nothing.
    using Checked = std::function<void(std::optional<SourceRef>)>;

    PageFinder(WorkRunner& runner, QObject* parent = nullptr);
    // Nothing posted reaches found once this is gone.
    ~PageFinder() override;

    // found runs later on the window's thread, unless this is gone first.
    // quality: the setting's 1 to 4.
    void find(std::string html, std::string address, int quality, Found found);

    // Asks for url (with what bounds sends) to see whether it is a video
    // (SourceProbe); checked runs later on the window's thread (at once,
    // with nothing, when no worker can be had).
    void check(std::string url, FetchBounds bounds, Checked checked);

    // Asks for url as check() does, for the size its answer names (0: none);
    // sized runs later on the window's thread, or at once as check()'s.
    void size(std::string url, FetchBounds bounds, std::function<void(long long bytes)> sized);

    // The same reading, on the caller's thread.
    static Findings read(std::string html, const std::string& address, int quality);

private:
    WorkRunner& runner;
    WindowPost post;
};

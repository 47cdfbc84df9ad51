#pragma once

#include <functional>
#include <memory>
#include <mutex>

class QObject;

// Brings work from any thread onto the thread of a context object, as a
// queued call. Once closed, nothing more is posted, so the context may then
// go: Qt drops what was posted to it and not yet run. Copies share the gate.
class WindowPost {
public:
    explicit WindowPost(QObject* context);

    // Any thread: runs work on the context's thread later, unless closed.
    // False when closed: work will never run.
    bool operator()(std::function<void()> work) const;
    // The context's thread, before the context goes. Waits for a post
    // under way on another thread.
    void close() const;

private:
    struct Gate {
        std::mutex mutex;
        QObject* context = nullptr;
    };
    std::shared_ptr<Gate> gate;
};

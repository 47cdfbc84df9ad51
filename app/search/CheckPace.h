#pragma once

#include <QObject>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>

class QTimer;

// The pace of one pane's checks of what its page asks for: at most
// maxRunning at once and maxPerMinute in any minute; the others wait their
// turn in order, or until the page that asked for them is gone. Window
// thread only.
class CheckPace : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    // Starts a check; it calls done once, on the window's thread, when its
    // answer is in.
    using Check = std::function<void(std::function<void()> done)>;

    explicit CheckPace(std::function<Clock::time_point()> now = &Clock::now,
                       QObject* parent = nullptr);

    // Starts check now when the pace allows, else once it does.
    void add(Check check);
    // The checks still waiting will not be made: their page is gone.
    void drop();

    std::size_t running() const { return active; }
    std::size_t waiting() const { return queue.size(); }

    static constexpr std::size_t maxRunning = 2;
    static constexpr std::size_t maxPerMinute = 60;

private:
    void startWaiting();

    std::function<Clock::time_point()> now;
    std::deque<Check> queue;
    // When each check of the last minute started, oldest first.
    std::deque<Clock::time_point> started;
    std::size_t active = 0;
    QTimer* later; // owned by this
};

#include "app/search/CheckPace.h"

#include <QPointer>
#include <QTimer>

#include <memory>
#include <utility>

CheckPace::CheckPace(std::function<Clock::time_point()> now, QObject* parent)
    : QObject(parent), now(std::move(now)), later(new QTimer(this)) {
    later->setSingleShot(true);
    connect(later, &QTimer::timeout, this, &CheckPace::startWaiting);
}

void CheckPace::add(Check check) {
    queue.push_back(std::move(check));
    startWaiting();
}

void CheckPace::drop() {
    queue.clear();
}

void CheckPace::startWaiting() {
    constexpr auto Minute = std::chrono::minutes(1);
    while (!queue.empty() && active < maxRunning) {
        const Clock::time_point at = now();
        while (!started.empty() && at - started.front() >= Minute)
            started.pop_front();
        if (started.size() >= maxPerMinute) {
            // Again once the oldest start of the minute has left it.
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(started.front() + Minute - at);
            later->start(static_cast<int>(wait.count()));
            return;
        }
        started.push_back(at);
        ++active;
        Check check = std::move(queue.front());
        queue.pop_front();
        // Once only, and never after this pace is gone.
        auto once = std::make_shared<bool>(false);
        check([self = QPointer<CheckPace>(this), once] {
            if (!self || std::exchange(*once, true))
                return;
            --self->active;
            self->startWaiting();
        });
    }
}

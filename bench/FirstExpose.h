#pragma once

#include <QObject>

#include <chrono>
#include <optional>

// Notes when the first top-level window of the application is exposed
// (mapped and ready to show pixels). Install it on the application.
class FirstExpose : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    explicit FirstExpose(QObject* parent = nullptr) : QObject(parent) {}
    const std::optional<Clock::time_point>& at() const { return exposed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<Clock::time_point> exposed;
};

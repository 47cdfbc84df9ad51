#pragma once

#include <QString>

#include "TickTimes.h"

#include <chrono>
#include <memory>
#include <string>

class Downloads;
class QTreeWidget;
class QWidget;
class Settings;

// The window's transfer side without the rest of the window: a transfer
// list, a library list, the settings store (config.dat in XDG_DATA_HOME) and
// a Downloads, shown offscreen so that bars and cells really repaint.
class BenchWindow {
public:
    explicit BenchWindow(const std::string& movieFolder);
    // Cancels what still runs and gives the workers a moment to clean up.
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    Downloads& downloads() { return *transfers; }
    int rows() const;
    QString status(int row) const;
    // Rows whose job has sent its last text.
    int endedRows() const;

    // Drains the way the window's timer does, every interval, until every
    // row ended or limit passed; true when all ended. Each tick's duration
    // goes into times when given.
    bool drainUntilEnded(std::chrono::milliseconds interval, std::chrono::milliseconds limit,
                         TickTimes* times);
    // Drains every interval for the whole span.
    void drainFor(std::chrono::milliseconds interval, std::chrono::milliseconds span,
                  TickTimes* times);

    // The events each timed tick caused (painting above all), timed apart.
    const TickTimes& afterTicks() const { return paints; }

private:
    // One tick (timed) and the events it caused; true when it applied anything.
    bool tickOnce(TickTimes* times);

    std::unique_ptr<QWidget> window;
    QTreeWidget* transferList = nullptr;
    QTreeWidget* libraryList = nullptr;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<Downloads> transfers;
    TickTimes paints;
};

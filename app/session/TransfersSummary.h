#pragma once

#include <QString>

#include <cstdint>

class TransferList;

// What the status bar and the title bar say about the transfers as a whole:
// "2 downloading · 1 paused · 1 failed · 1.4 MB/s", or "Ready" when nothing
// runs, waits for its turn or waits for the user (paused or failed).
struct TransfersSummary {
    int downloading = 0;
    int converting = 0;
    int queued = 0;
    int paused = 0;
    int failed = 0;
    // Over the downloads that move bytes now.
    double bytesPerSecond = 0;
    // Over the running downloads whose size is known.
    std::int64_t received = 0;
    std::int64_t total = 0;

    static TransfersSummary of(const TransferList& list);

    QString text() const;
    // 0 to 100 over the running downloads of known size; -1 for none.
    int percent() const;
    // The window's title: "54% — Quillmoth", the percentage written as the
    // rows write theirs; "Quillmoth" without one.
    QString title() const;
};

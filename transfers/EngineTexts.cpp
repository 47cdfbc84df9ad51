#include "EngineTexts.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Kept in step with the engine's and the list's texts; a text missing here
// shows in English.
const char* const Table[] = {
    // A download's steps.
    QT_TRANSLATE_NOOP("EngineTexts", "Queued"),
    QT_TRANSLATE_NOOP("EngineTexts", "Scraping URL..."),
    QT_TRANSLATE_NOOP("EngineTexts", "Initial response received!"),
    QT_TRANSLATE_NOOP("EngineTexts", "Searching for download source..."),
    QT_TRANSLATE_NOOP("EngineTexts", "Found movie source!"),
    QT_TRANSLATE_NOOP("EngineTexts", "Requesting connection to download movie..."),
    QT_TRANSLATE_NOOP("EngineTexts", "Downloading... [Patience]"),
    QT_TRANSLATE_NOOP("EngineTexts", "Download Complete!"),
    QT_TRANSLATE_NOOP("EngineTexts", "Converting to mp3..."),
    QT_TRANSLATE_NOOP("EngineTexts", "Complete! Thank you for using Quillmoth."),
    // Stopped.
    QT_TRANSLATE_NOOP("EngineTexts", "Paused"),
    QT_TRANSLATE_NOOP("EngineTexts", "Paused."),
    QT_TRANSLATE_NOOP("EngineTexts", "Cancelled."),
    QT_TRANSLATE_NOOP("EngineTexts", "Interrupted"),
    // Failures.
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not start download."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not create request."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: The page is too large."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: The page took too long to load."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not make connection."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not locate any movies to download."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Invalid Title - Go back to search & change title. "),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not write to the movie folder."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not save movie."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not save movie: every name for it is taken."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not convert to mp3."),
    QT_TRANSLATE_NOOP(
        "EngineTexts",
        "Error: ffmpeg was not found. Install it (sudo apt install ffmpeg) and try again."),
    QT_TRANSLATE_NOOP("EngineTexts", "Error: Could not write to the music folder."),
    // Preparing a file for the player.
    QT_TRANSLATE_NOOP("EngineTexts", "This file cannot be played: ffmpeg could not read it."),
    QT_TRANSLATE_NOOP("EngineTexts", "This file cannot be played: ffmpeg could not convert it."),
    QT_TRANSLATE_NOOP("EngineTexts", "This file cannot be played: ffmpeg is not installed."),
    QT_TRANSLATE_NOOP("EngineTexts", "This file cannot be played: it is missing or not a file."),
    QT_TRANSLATE_NOOP("EngineTexts",
                      "This file cannot be played: its cache folder cannot be written."),
    // The transfer list's store.
    QT_TRANSLATE_NOOP("EngineTexts",
                      "The transfer list could not be saved: the disk is full. Transfers go on."),
    QT_TRANSLATE_NOOP("EngineTexts", "The transfer list could not be saved. Transfers go on."),
    QT_TRANSLATE_NOOP("EngineTexts",
                      "The transfer list could not be read; it was kept as transfers.sqlite.bad "
                      "and a new one started."),
    QT_TRANSLATE_NOOP("EngineTexts",
                      "The transfer list was written by a newer Quillmoth; it is left as it is "
                      "and this session's transfers are not kept."),
    QT_TRANSLATE_NOOP("EngineTexts",
                      "The transfer list could not be opened; this session's transfers are not "
                      "kept."),
};

} // namespace

QString EngineTexts::translated(const std::string& english) {
    const auto known = std::find_if(std::begin(Table), std::end(Table), [&](const char* text) {
        return std::strcmp(text, english.c_str()) == 0;
    });
    if (known == std::end(Table))
        return QString::fromStdString(english);
    return tr(*known);
}

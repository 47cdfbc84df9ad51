#pragma once

#include "JobEvent.h"
#include "JobOptions.h"
#include "JobTexts.h"
#include "TempFolder.h"
#include "TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

// Collects what jobs report through their plain-function callbacks, keyed by
// job id, from any number of worker threads.
class JobRecorder {
public:
    static void status(int jobId, const char* text) {
        std::lock_guard lock(mutex());
        statuses()[jobId].emplace_back(text);
    }
    static void progress(int jobId, double total, double received) {
        std::lock_guard lock(mutex());
        reports()[jobId].emplace_back(total, received);
    }
    // A job's sink: each event as the texts it carries on the status channel.
    static void record(const JobEvent& event) {
        if (event.kind == JobEvent::Kind::Progress) {
            progress(event.id, event.total, event.done);
            return;
        }
        for (const std::string& text : event.texts())
            status(event.id, text.c_str());
    }
    static std::vector<std::string> statusesOf(int jobId) {
        std::lock_guard lock(mutex());
        return statuses()[jobId];
    }
    static std::vector<std::pair<double, double>> progressOf(int jobId) {
        std::lock_guard lock(mutex());
        return reports()[jobId];
    }
    // Ids are never reused, so a test never sees another test's reports.
    static int nextId() {
        std::lock_guard lock(mutex());
        static int id = 0;
        return id++;
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::map<int, std::vector<std::string>>& statuses() {
        static std::map<int, std::vector<std::string>> m;
        return m;
    }
    static std::map<int, std::vector<std::pair<double, double>>>& reports() {
        static std::map<int, std::vector<std::pair<double, double>>> m;
        return m;
    }
};

using Texts = std::vector<std::string>;

// What a job says from its start to the movie's container word, then tail.
inline Texts upToMovie(const char* control, Texts tail) {
    tail.insert(tail.begin(), control);
    return withHead(tail);
}

inline JobOptions jobOptions(std::string page, std::string title, int quality, std::string movies,
                             std::string music, bool convert = false) {
    JobOptions options;
    options.pageUrl = std::move(page);
    options.title = std::move(title);
    options.quality = quality;
    options.movieFolder = std::move(movies);
    options.musicFolder = std::move(music);
    options.convert = convert;
    return options;
}

using TempDir = TempFolder;
using testfiles::commandOutput;
using testfiles::listFolder;
using testfiles::readFile;
using testfiles::writeFile;

} // namespace enginetest

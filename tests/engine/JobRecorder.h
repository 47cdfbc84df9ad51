#pragma once

#include "jobs/JobEvent.h"
#include "jobs/JobOptions.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

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

// An event as the tests read it: a step or an end by its reason's stored
// name ("done:" before an end's), the facts as the command line shows them;
// empty for progress and what no one reads out.
inline std::string said(const JobEvent& event) {
    using Kind = JobEvent::Kind;
    switch (event.kind) {
    case Kind::Status:
    case Kind::Converting:
        return std::string(reasonName(event.reason));
    case Kind::Container:
        return "set" + event.text;
    case Kind::Converted:
        return "setmp3";
    case Kind::Saved:
        return "saved:" + event.text;
    case Kind::Finished:
    case Kind::Failed:
    case Kind::Paused:
    case Kind::Cancelled:
        return "done:" + std::string(reasonName(event.reason));
    default:
        return {};
    }
}

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
    // A job's sink: each event as said() reads it.
    static void record(const JobEvent& event) {
        if (event.kind == JobEvent::Kind::Progress) {
            progress(event.id, event.total, event.done);
            return;
        }
        if (const std::string word = said(event); !word.empty())
            status(event.id, word.c_str());
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
    Texts all = {"reading-page", "page-received", "searching-stream", "stream-found", "connecting",
                 "downloading",  control};
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
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

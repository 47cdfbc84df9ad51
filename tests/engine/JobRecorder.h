#pragma once

#include "JobEvent.h"
#include "JobOptions.h"

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

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillmoth-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Names of the entries in a folder, sorted.
inline std::vector<std::string> listFolder(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace enginetest

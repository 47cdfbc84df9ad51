#pragma once

#include "tools/site/DemoClip.h"
#include "tools/site/StreamPackage.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// The bytes of every demo stream and package, each made by ffmpeg the first
// time it is asked for and kept for the life of the site, so that start-up
// never waits for the long clips. Called from the server's worker threads:
// callers asking for one stream together wait for a single ffmpeg run;
// different streams are made side by side.
class ClipCache {
public:
    ClipCache();
    ~ClipCache();
    ClipCache(const ClipCache&) = delete;
    ClipCache& operator=(const ClipCache&) = delete;

    // The stream's bytes, lines high, or null when ffmpeg could not make it
    // (asked again next time). Blocks while the stream is being made.
    std::shared_ptr<const std::string> get(const DemoClip& clip, Container container,
                                           int lines = kLegacyLines);
    // The clip's files as packaged, or null when ffmpeg could not make them
    // (asked again next time). Blocks while they are being made.
    std::shared_ptr<const PackageFiles> package(const DemoClip& clip, Packaging packaging);

private:
    struct Entry {
        std::mutex making;
        std::shared_ptr<const std::string> bytes;
        std::shared_ptr<const PackageFiles> files;
    };

    // The entry of name, made when new; entries are never removed, so the
    // reference stays good.
    Entry& entry(const std::string& name);

    // ffmpeg's output folder, removed with the cache.
    std::filesystem::path scratch_;
    std::mutex entriesMutex_;
    std::map<std::string, std::unique_ptr<Entry>> entries_;
};

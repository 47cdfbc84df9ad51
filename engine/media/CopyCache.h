#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// The folder of playable copies. A copy is named by a 64-bit FNV-1a hash of
// its source's absolute path, size and modification time, so a changed
// source gets a new name and an old copy is never played for it. Pruning
// touches only names of that form (and ffmpeg's temporary files beside
// them), so a cache folder set to a folder of the user's own files cannot
// lose them.
//
// Plain file-system work on the caller's (worker) thread. Several workers
// may share the folder: a copy only ever appears by rename.
class CopyCache {
public:
    // Temporary files older than this belong to a job that died.
    static constexpr std::chrono::hours StaleTemp{1};

    explicit CopyCache(std::string folder);

    // Where media's copy is or would be; empty when media is not a readable
    // regular file.
    std::string copyPathFor(const std::string& media) const;

    // True when a copy exists at path; its modification time becomes now,
    // which is when it was last played.
    static bool touch(const std::string& path);
    static bool exists(const std::string& path);

    // Creates the folder (and its parents); false when that is impossible.
    bool create() const;

    // Removes least recently played copies until those left take at most
    // limitBytes, never keep; also temporary files older than StaleTemp.
    void prune(std::uintmax_t limitBytes, const std::string& keep) const;

    // "0123456789abcdef.mp4": a name this cache gave.
    static bool isCopyName(const std::string& name);

    const std::string& folder() const { return dir; }

private:
    std::string dir;
};

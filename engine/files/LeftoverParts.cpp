#include "files/LeftoverParts.h"

#include "files/FilePath.h"

#include "files/StagedFile.h"

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <utility>

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool isTag(const std::string& tag) {
    const auto alphanumeric = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    // A tag of digits alone could be a transfer's id in a stable name.
    return tag.size() == 6 && std::all_of(tag.begin(), tag.end(), alphanumeric) &&
           !std::all_of(tag.begin(), tag.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "<target>.XXXXXX.part": target, or empty when name is not that.
std::string targetOf(const std::string& name) {
    const std::string suffix = StagedFile::suffix;
    if (!endsWith(name, suffix) || name.size() < suffix.size() + 8)
        return {};
    const std::size_t tagAt = name.size() - suffix.size() - 6;
    if (name[tagAt - 1] != '.' || !isTag(name.substr(tagAt, 6)))
        return {};
    return name.substr(0, tagAt - 1);
}

bool before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

} // namespace

LeftoverParts::LeftoverParts(std::vector<std::string> mediaFolders, std::vector<std::string> keep,
                             timespec before)
    : folders(std::move(mediaFolders)), named(std::move(keep)), cutoff(before) {}

timespec LeftoverParts::now() {
    // File times come from the coarse clock: a file made after this call
    // is never dated before it.
    timespec time{};
    clock_gettime(CLOCK_REALTIME_COARSE, &time);
    return time;
}

bool LeftoverParts::isMediaTemporary(const std::string& name) {
    const std::string target = targetOf(name);
    return target.size() > 4 &&
           (endsWith(target, ".flv") || endsWith(target, ".mp4") || endsWith(target, ".mp3"));
}

bool LeftoverParts::isPictureTemporary(const std::string& name) {
    const std::string target = targetOf(name);
    return target == "quillmoth-picture" || target == "quillmoth-cover.jpg";
}

std::vector<std::string> LeftoverParts::remove() const {
    std::set<FileId> kept;
    for (const std::string& path : named) {
        struct stat info {};
        if (!path.empty() && ::lstat(path.c_str(), &info) == 0)
            kept.insert({info.st_dev, info.st_ino});
    }
    std::vector<std::string> removed = removeIn(FilePath::temporaryFolder(), false, kept);
    std::set<FileId> seen;
    for (const std::string& folder : folders) {
        struct stat info {};
        // One folder under two spellings is looked at once.
        if (::stat(folder.c_str(), &info) != 0 || !seen.insert({info.st_dev, info.st_ino}).second)
            continue;
        for (std::string& path : removeIn(folder, true, kept))
            removed.push_back(std::move(path));
    }
    return removed;
}

std::vector<std::string> LeftoverParts::removeIn(const std::string& folder, bool media,
                                                 const std::set<FileId>& kept) const {
    std::vector<std::string> removed;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return removed;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (media ? !isMediaTemporary(name) : !isPictureTemporary(name))
            continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !before(info.st_ctim, cutoff) ||
            kept.count({info.st_dev, info.st_ino}) != 0)
            continue;
        if (StagedFile::removeUnheld(path))
            removed.push_back(path);
    }
    return removed;
}

#pragma once

#include <ctime>
#include <set>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// Temporary files a killed program leaves behind: the random-named ones our
// jobs write ("<title>.flv.XXXXXX.part", ".mp4", ".mp3" in the movie and
// music folders; "quillmoth-picture.XXXXXX.part" and
// "quillmoth-cover.jpg.XXXXXX.part" in the temporary folder). A stable part
// file ("Title.part", "Title.<id>.part") is never one of them: a transfer or
// `quillmoth-get --continue` may still want it.
class LeftoverParts {
public:
    // mediaFolders: the movie and music folders to look in. keep: files a
    // transfer still names. Only files last changed before `before` go, so
    // that a job of this start, which may not hold its new file yet, keeps
    // it; and of those only the ones nobody holds (StagedFile::removeUnheld).
    LeftoverParts(std::vector<std::string> mediaFolders, std::vector<std::string> keep,
                  timespec before);

    // The files removed. Reads folders: runs on a worker thread.
    std::vector<std::string> remove() const;

    // The clock file times are taken from, for `before`.
    static timespec now();
    // Whether a file name is one of ours, in a media folder or in the
    // temporary folder.
    static bool isMediaTemporary(const std::string& name);
    static bool isPictureTemporary(const std::string& name);

private:
    using FileId = std::pair<dev_t, ino_t>;
    std::vector<std::string> removeIn(const std::string& folder, bool media,
                                      const std::set<FileId>& kept) const;

    std::vector<std::string> folders;
    std::vector<std::string> named;
    timespec cutoff;
};

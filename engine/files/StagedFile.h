#pragma once

#include <cstddef>
#include <string>

// A file written under a temporary name beside its target and given its
// final name only by commit(), which never replaces anything: an earlier file
// of the same name (another video with the same title, or a planted link)
// survives, and the new one takes the next free name. The temporary name is
// either random, created exclusively (never an existing file or a planted
// link), or a stable name per transfer (stablePath) that a later job can find
// again to continue it; either way the file is held with an exclusive flock
// while open, so two writers never share one. Unless committed or kept, the
// temporary file is removed when this object goes away.
class StagedFile {
public:
    // Why open() failed.
    enum class Opened { Ok, FolderUnusable, NameRefused };

    // target: folder and file name joined by "/".
    explicit StagedFile(std::string target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file "<target>.XXXXXX.part".
    Opened open();
    // Opens the stable name stable to continue it: created exclusively when
    // absent; an existing one only when it is a regular file of ours with no
    // other link, reached without following a link, that nobody else holds.
    // Anything else there (a link, a folder, a file another job holds or
    // not ours) is left alone and open() takes a random name instead:
    // tempPath() says which file is in use.
    Opened open(const std::string& stable);
    bool isOpen() const { return fd_ >= 0; }

    // Returns how many bytes were written; fewer than n on a write error.
    std::size_t write(const void* data, std::size_t n);
    // The same at offset, for a file written in pieces by several
    // connections (whatever write() does next is not moved by it).
    std::size_t writeAt(long long offset, const void* data, std::size_t n);
    // Makes the file size bytes long, its new bytes holes, so that pieces
    // can be written anywhere in it.
    bool presize(long long size);
    // Everything written so far is on disk (fdatasync): what is recorded
    // to continue the file must be. False after any failed write.
    bool syncData();

    // Bytes in the temporary file (also those another program wrote to it).
    long long size() const;
    // Empties the file, to start over; writes go to its start again.
    bool restart();
    // Reads up to n of the file's first bytes into out; how many it read.
    std::size_t readHead(char* out, std::size_t n) const;

    // Moves the file to a different name in the same folder on commit.
    void retarget(std::string target) { target_ = std::move(target); }

    // Syncs and closes the temporary file, gives it the first free name of
    // target, then target with "(1)" before its extension, "(2)"... up to
    // "(maxCopies)", decided atomically at the rename so that concurrent
    // commits never take one name, and syncs the folder so that a power cut
    // never leaves a complete-looking empty file. target() is then the name
    // taken. False if any step fails or no name is free: the temporary file
    // is then gone, but for when every name is taken (namesTaken()): it
    // stays open, whole, for the caller to keep() or discard().
    bool commit();

    // The last commit() found every name taken.
    bool namesTaken() const { return namesTaken_; }

    // Closes and removes the temporary file.
    void discard();
    // Closes the temporary file and leaves it where it is, to continue later.
    void keep();

    // "<folder>/<title>.<key>.part", or "<folder>/<title>.part" for an empty
    // key: the part file of one transfer. With a title FileTitle::safe made
    // and a key of up to 15 bytes, the name and one of 7 more bytes beside
    // it (a note such as ".resume") fit the file system's name limit.
    static std::string stablePath(const std::string& folder, const std::string& title,
                                  const std::string& key);
    // Removes the part file at path when it is a regular file of ours that
    // nobody holds; never through a link. True when it was removed.
    static bool removeUnheld(const std::string& path);

    const std::string& target() const { return target_; }
    const std::string& tempPath() const { return temp_; }

    static constexpr const char* suffix = ".part";
    // How many numbered copies of a name commit() tries: "(1)" to "(99)".
    static constexpr std::size_t maxCopies = 99;
    // How much longer than the target any name of this file may be: room
    // kept for a copy's number ("(99)" takes 4). Titles have been cut to
    // leave 24 since copies were "(1)(1)...", so that part files named then
    // still match.
    static constexpr std::size_t maxExtraNameBytes = 24;
    // How much longer the temporary file's name is than the target's.
    static constexpr std::size_t extraNameBytes = 7 + 5; // ".XXXXXX" ".part"

    // target with "(n)" before its extension (after the last "." of its
    // file name); target itself for 0.
    static std::string copyName(const std::string& target, std::size_t n);

private:
    // Writes all n bytes at offset (at the file's position when negative),
    // again after EINTR; fewer, and failed_ set, on an error.
    std::size_t writeAll(const void* data, std::size_t n, long long offset);
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    bool namesTaken_ = false;
    long long written_ = 0;
    long long flushed_ = 0;
    // What writeAt() wrote since write-back was last started: the span from
    // the lowest byte to past the highest, and how many bytes.
    long long scatteredFrom_ = 0;
    long long scatteredTo_ = 0;
    long long scattered_ = 0;
    static constexpr long long writeBackBytes = 8 << 20;
};

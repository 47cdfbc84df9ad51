#include "files/StagedFile.h"

#include "files/FilePath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string randomTag() {
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
    std::string tag(6, 'x');
    for (char& c : tag)
        c = alphabet[pick(engine)];
    return tag;
}

// Errors that say the folder cannot take files, whatever the name.
bool folderError(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOSPC:
    case EDQUOT:
        return true;
    default:
        return false;
    }
}

enum class Placed { Done, Taken, Failed };

// Renames from to a name nobody holds, atomically: never over an existing
// file, folder or link.
Placed placeWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return Placed::Done;
    if (errno == EEXIST)
        return Placed::Taken;
    if (errno != EINVAL && errno != ENOSYS)
        return Placed::Failed;
    // A file system without RENAME_NOREPLACE: a hard link fails on a taken
    // name just as atomically.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Placed::Done;
    }
    if (errno == EEXIST)
        return Placed::Taken;
    if (errno != EPERM && errno != EOPNOTSUPP)
        return Placed::Failed;
    // Nor links (FAT): claim the name with an exclusive create, then move
    // over our own claim.
    const int claim =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (claim < 0)
        return errno == EEXIST ? Placed::Taken : Placed::Failed;
    ::close(claim);
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return Placed::Done;
    ::unlink(to.c_str());
    return Placed::Failed;
}

enum class Hold { Held, Moved, Refused };

// Takes fd, opened at path, for one writer: a regular file of ours with no
// other link, locked without waiting, and still the file path names (a
// writer that committed or discarded it meanwhile moved it away: Moved).
Hold hold(int fd, const std::string& path) {
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) || held.st_uid != ::geteuid() ||
        held.st_nlink != 1 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return Hold::Refused;
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || named.st_dev != held.st_dev ||
        named.st_ino != held.st_ino)
        return Hold::Moved;
    return Hold::Held;
}

// An existing name, opened without following a link. O_NONBLOCK: a FIFO or
// device planted there must not block the open; it does nothing to files.
int openExisting(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

void syncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    // Some file systems cannot sync a folder; the rename has still happened.
    ::fsync(dir);
    ::close(dir);
}

} // namespace

StagedFile::StagedFile(std::string target) : target_(std::move(target)) {}

StagedFile::~StagedFile() {
    discard();
}

StagedFile::Opened StagedFile::open() {
    discard();
    failed_ = false;
    written_ = flushed_ = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target_ + "." + randomTag() + suffix;
        // O_EXCL with O_NOFOLLOW: an existing file or link is never opened.
        const int fd =
            ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Held like a stable file, in case the name is handed on to continue it.
            ::flock(fd, LOCK_EX | LOCK_NB);
            fd_ = fd;
            temp_ = std::move(name);
            return Opened::Ok;
        }
        if (errno == EEXIST || errno == EINTR)
            continue;
        return folderError(errno) ? Opened::FolderUnusable : Opened::NameRefused;
    }
    return Opened::FolderUnusable;
}

StagedFile::Opened StagedFile::open(const std::string& stable) {
    discard();
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(stable.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            fd = openExisting(stable);
        if (fd < 0)
            break;
        const Hold held = hold(fd, stable);
        if (held == Hold::Held) {
            fd_ = fd;
            temp_ = stable;
            failed_ = false;
            written_ = flushed_ = ::lseek(fd, 0, SEEK_END);
            if (written_ >= 0)
                return Opened::Ok;
            fd_ = -1;
        }
        ::close(fd);
        if (held != Hold::Moved)
            break;
    }
    // Not ours to use: a name of its own, as for any job.
    return open();
}

std::size_t StagedFile::writeAll(const void* data, std::size_t n, long long offset) {
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w =
            offset < 0 ? ::write(fd_, bytes + done, n - done)
                       : ::pwrite(fd_, bytes + done, n - done, static_cast<off_t>(offset) + done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            failed_ = true;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    return done;
}

std::size_t StagedFile::write(const void* data, std::size_t n) {
    if (fd_ < 0 || failed_)
        return 0;
    const std::size_t done = writeAll(data, n, -1);
    written_ += static_cast<long long>(done);
    // Start writing back what has piled up, so that commit's sync waits for
    // the last few megabytes only, not for the whole movie.
    if (written_ - flushed_ >= writeBackBytes) {
        ::sync_file_range(fd_, flushed_, written_ - flushed_, SYNC_FILE_RANGE_WRITE);
        flushed_ = written_;
    }
    return done;
}

std::size_t StagedFile::writeAt(long long offset, const void* data, std::size_t n) {
    if (fd_ < 0 || failed_ || offset < 0)
        return 0;
    const std::size_t done = writeAll(data, n, offset);
    // Pieces land all over the file: write-back starts over the span they
    // cover, which holds only the pages written since (the others are clean).
    const long long end = offset + static_cast<long long>(done);
    if (scattered_ == 0 || offset < scatteredFrom_)
        scatteredFrom_ = offset;
    scatteredTo_ = std::max(scatteredTo_, end);
    scattered_ += static_cast<long long>(done);
    if (scattered_ >= writeBackBytes) {
        ::sync_file_range(fd_, scatteredFrom_, scatteredTo_ - scatteredFrom_,
                          SYNC_FILE_RANGE_WRITE);
        scattered_ = scatteredTo_ = 0;
    }
    return done;
}

bool StagedFile::presize(long long size) {
    return fd_ >= 0 && size >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool StagedFile::syncData() {
    return fd_ >= 0 && !failed_ && ::fdatasync(fd_) == 0;
}

long long StagedFile::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool StagedFile::restart() {
    if (fd_ < 0 || ::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
        return false;
    written_ = flushed_ = 0;
    scattered_ = scatteredTo_ = 0;
    return true;
}

std::size_t StagedFile::readHead(char* out, std::size_t n) const {
    std::size_t done = 0;
    while (fd_ >= 0 && done < n) {
        const ssize_t r = ::pread(fd_, out + done, n - done, static_cast<off_t>(done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += static_cast<std::size_t>(r);
    }
    return done;
}

std::string StagedFile::copyName(const std::string& target, std::size_t n) {
    if (n == 0)
        return target;
    const auto dot = FilePath::extensionAt(target);
    return target.substr(0, dot) + "(" + std::to_string(n) + ")" + target.substr(dot);
}

bool StagedFile::commit() {
    namesTaken_ = false;
    if (fd_ < 0)
        return false;
    const bool ok = !failed_ && ::fsync(fd_) == 0;
    // Renamed while still held, so that no other writer can take the file
    // over between the last byte and the rename.
    for (std::size_t n = 0; ok && n <= maxCopies; ++n) {
        const std::string name = copyName(target_, n);
        const Placed placed = placeWithoutReplacing(temp_, name);
        if (placed == Placed::Taken) {
            namesTaken_ = n == maxCopies;
            continue;
        }
        if (placed == Placed::Failed)
            break;
        target_ = name;
        ::close(fd_);
        fd_ = -1;
        syncFolder(FilePath::folderOf(target_));
        return true;
    }
    // A whole file that found no name is the caller's to keep.
    if (!namesTaken_)
        discard();
    return false;
}

void StagedFile::discard() {
    if (fd_ < 0)
        return;
    // Only this job's own file, removed while still held: another job's
    // file is never touched.
    ::unlink(temp_.c_str());
    ::close(fd_);
    fd_ = -1;
}

void StagedFile::keep() {
    if (fd_ < 0)
        return;
    // What is kept is continued from its size: its bytes must be there.
    ::fdatasync(fd_);
    ::close(fd_);
    fd_ = -1;
}

std::string StagedFile::stablePath(const std::string& folder, const std::string& title,
                                   const std::string& key) {
    return folder + "/" + title + (key.empty() ? "" : "." + key) + suffix;
}

bool StagedFile::removeUnheld(const std::string& path) {
    const int fd = openExisting(path);
    if (fd < 0)
        return false;
    const bool removed = hold(fd, path) == Hold::Held && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

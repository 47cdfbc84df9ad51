#include "media/CopyCache.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t hashDigits = 16;
constexpr const char* copySuffix = ".mp4";

class Fnv1a {
public:
    void add(const std::string& bytes) {
        for (unsigned char c : bytes) {
            value = (value ^ c) * 0x100000001b3ULL;
        }
        // A separator, so that ("ab", "c") and ("a", "bc") differ.
        value = (value ^ 0xFFu) * 0x100000001b3ULL;
    }
    std::string hex() const {
        static const char digits[] = "0123456789abcdef";
        std::string out(hashDigits, '0');
        for (std::size_t i = 0; i < hashDigits; ++i) {
            out[hashDigits - 1 - i] = digits[(value >> (4 * i)) & 0xF];
        }
        return out;
    }

private:
    std::uint64_t value = 0xcbf29ce484222325ULL;
};

bool isHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// ffmpeg's temporary file beside a copy: "<copy>.XXXXXX.part" (StagedFile).
bool isTempName(const std::string& name) {
    const std::size_t copyLength = hashDigits + 4;
    return name.size() == copyLength + 12 && CopyCache::isCopyName(name.substr(0, copyLength)) &&
           name[copyLength] == '.' && name.compare(name.size() - 5, 5, ".part") == 0;
}

struct Entry {
    fs::path path;
    fs::file_time_type played;
    std::uintmax_t size;
};

} // namespace

CopyCache::CopyCache(std::string folder) : dir(std::move(folder)) {}

std::string CopyCache::copyPathFor(const std::string& media) const {
    struct stat st {};
    if (media.empty() || ::stat(media.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(media, ec).lexically_normal();
    if (ec) {
        return {};
    }
    Fnv1a hash;
    hash.add(absolute.string());
    hash.add(std::to_string(st.st_size));
    hash.add(std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
    return (fs::path(dir) / (hash.hex() + copySuffix)).string();
}

bool CopyCache::exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

bool CopyCache::touch(const std::string& path) {
    // Never through a link: a copy is a regular file of our own.
    return exists(path) && ::utimensat(AT_FDCWD, path.c_str(), nullptr, AT_SYMLINK_NOFOLLOW) == 0;
}

bool CopyCache::create() const {
    std::error_code ec;
    fs::create_directories(dir, ec);
    return fs::is_directory(dir, ec);
}

bool CopyCache::isCopyName(const std::string& name) {
    return name.size() == hashDigits + 4 && isHex(name.substr(0, hashDigits)) &&
           name.compare(hashDigits, 4, copySuffix) == 0;
}

void CopyCache::prune(std::uintmax_t limitBytes, const std::string& keep) const {
    std::error_code ec;
    const auto staleBefore = fs::file_time_type::clock::now() - StaleTemp;
    std::vector<Entry> copies;
    std::uintmax_t total = 0;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool copy = isCopyName(name);
        if (!copy && !isTempName(name)) {
            continue;
        }
        std::error_code entryError;
        if (!it->is_regular_file(entryError) || it->is_symlink(entryError)) {
            continue;
        }
        const auto played = fs::last_write_time(it->path(), entryError);
        const auto size = fs::file_size(it->path(), entryError);
        if (entryError) {
            continue; // gone meanwhile: another worker pruned it
        }
        if (!copy) {
            if (played < staleBefore) {
                fs::remove(it->path(), entryError);
            }
            continue;
        }
        copies.push_back({it->path(), played, size});
        total += size;
    }
    std::sort(copies.begin(), copies.end(),
              [](const Entry& a, const Entry& b) { return a.played < b.played; });
    const fs::path kept = fs::path(keep).lexically_normal();
    for (const auto& c : copies) {
        if (total <= limitBytes) {
            break;
        }
        if (c.path.lexically_normal() == kept) {
            continue;
        }
        std::error_code removeError;
        if (fs::remove(c.path, removeError)) {
            total -= c.size;
        }
    }
}

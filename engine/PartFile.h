#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// A file written under a temporary name beside its target and moved over
// the target only by commit(), so that an earlier file of the same name
// survives a failed transfer. Unless committed, the temporary file is
// removed when this object goes away.
class PartFile {
public:
    explicit PartFile(std::string target);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Creates (or truncates) the temporary file. False when it cannot be created.
    bool open();
    bool isOpen() const { return file_ != nullptr; }

    // Returns how many bytes were written; fewer than n on a write error.
    std::size_t write(const void* data, std::size_t n);

    // Flushes and closes the temporary file, then renames it over the target.
    // False if any of these fails; the temporary file is then gone.
    bool commit();

    // Closes and removes the temporary file.
    void discard();

    const std::string& target() const { return target_; }
    const std::string& tempPath() const { return temp_; }

    static constexpr const char* suffix = ".part";

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

#include "PartFile.h"

#include <cstdio>
#include <utility>

PartFile::PartFile(std::string target) : target_(std::move(target)), temp_(target_ + suffix) {}

PartFile::~PartFile() {
    discard();
}

bool PartFile::open() {
    discard();
    failed_ = false;
    file_ = std::fopen(temp_.c_str(), "wb");
    return file_ != nullptr;
}

std::size_t PartFile::write(const void* data, std::size_t n) {
    if (!file_ || failed_)
        return 0;
    std::size_t written = std::fwrite(data, 1, n, file_);
    if (written != n)
        failed_ = true;
    return written;
}

bool PartFile::commit() {
    if (!file_)
        return false;
    // Buffered bytes may only fail to reach the disk here.
    bool ok = !failed_ && std::fflush(file_) == 0 && !std::ferror(file_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(temp_.c_str(), target_.c_str()) == 0)
        return true;
    std::remove(temp_.c_str());
    return false;
}

void PartFile::discard() {
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(temp_.c_str());
}

#include "settings/RegularFile.h"

#include <cstdio>
#include <sys/stat.h>

RegularFile::Found RegularFile::at(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return Found::Nothing;
    return S_ISREG(info.st_mode) ? Found::Regular : Found::Other;
}

bool RegularFile::setAside(const std::string& path) {
    return std::rename(path.c_str(), asidePath(path).c_str()) == 0;
}

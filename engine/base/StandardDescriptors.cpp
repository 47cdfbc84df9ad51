#include "base/StandardDescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A descriptor that only takes up the number: /dev/null, or where a
// stripped-down root has none, a path-only descriptor that every read and
// write refuses.
int placeholder(int fd) {
    int opened;
    do {
        opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) {
        opened = ::open("/", O_PATH | O_DIRECTORY);
    }
    return opened;
}

} // namespace

bool fillStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
        // The lower numbers are open by now, so open() takes this one.
        const int opened = placeholder(fd);
        if (opened < 0) {
            return false;
        }
        if (opened != fd) {
            const bool moved = ::dup2(opened, fd) == fd;
            ::close(opened);
            if (!moved) {
                return false;
            }
        }
    }
    return true;
}

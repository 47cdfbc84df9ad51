#include "media/PipeLines.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

PipeLines::~PipeLines() {
    muted_ = true;
    close();
}

void PipeLines::attach(int fd, Sink sink) {
    close();
    fd_ = fd;
    sink_ = std::move(sink);
    partial_.clear();
    muted_ = false;
    // Non-blocking, so that reading never outwaits the child or its token.
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

void PipeLines::readAvailable(int maxReads) {
    char buffer[16384];
    for (int i = 0; i < maxReads && fd_ >= 0; ++i) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            // End of file: every writer has closed it.
            close();
            return;
        }
        partial_.append(buffer, static_cast<std::size_t>(n));
        std::size_t from = 0;
        for (auto nl = partial_.find('\n'); nl != std::string::npos;
             nl = partial_.find('\n', from)) {
            std::string line = partial_.substr(from, nl - from);
            from = nl + 1;
            deliver(std::move(line));
        }
        partial_.erase(0, from);
        while (partial_.size() >= MaxLine) {
            std::string piece = partial_.substr(0, MaxLine);
            partial_.erase(0, MaxLine);
            deliver(std::move(piece));
        }
    }
}

void PipeLines::close() {
    if (fd_ < 0) {
        return;
    }
    ::close(fd_);
    fd_ = -1;
    std::string last = std::exchange(partial_, {});
    if (!last.empty()) {
        deliver(std::move(last));
    }
}

void PipeLines::deliver(std::string line) {
    if (!muted_ && sink_) {
        sink_(line);
    }
}

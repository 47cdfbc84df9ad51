#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Our read end of a child's output pipe, read without blocking and handed
// on line by line (a last unterminated line too, when the pipe closes).
// Used by the one thread that waits for the child.
class PipeLines {
public:
    // One line, without its newline.
    using Sink = std::function<void(const std::string& line)>;

    // A longer line reaches the sink in pieces of this size.
    static constexpr std::size_t MaxLine = 1 << 20;

    PipeLines() = default;
    ~PipeLines();
    PipeLines(const PipeLines&) = delete;
    PipeLines& operator=(const PipeLines&) = delete;

    // Takes fd (made non-blocking) and reads it into sink from now on.
    void attach(int fd, Sink sink);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Reads what the pipe holds, at most maxReads times, so that a chatty
    // child cannot keep the waiter from its other duties. Closes the pipe
    // at end of file.
    void readAvailable(int maxReads);

    // Lines from now on are dropped (the child's group was told to end).
    void mute() { muted_ = true; }

    // Closes the pipe; what is left of a line still reaches the sink.
    void close();

private:
    void deliver(std::string line);

    int fd_ = -1;
    Sink sink_;
    std::string partial_;
    bool muted_ = false;
};

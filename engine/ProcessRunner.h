#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class CancelToken;

// Runs one program from an argument vector, without a shell, and waits for
// it. The child reads /dev/null, gets default signal dispositions and an
// empty signal mask, and may have its output thrown away or read line by
// line. It leads a process
// group of its own, so a terminal's Ctrl-C does not reach it behind our back
// and ending it ends whatever it started too.
//
// A runner is used by one thread (a job's worker); only the CancelToken is
// shared with other threads and signal handlers. A child still running when
// the runner is destroyed is ended like a cancelled one and reaped.
class ProcessRunner {
public:
    // What wait() and run() return when the token ended the child. -1 stays
    // "did not start, or died of a signal".
    static constexpr int Cancelled = -2;
    // Time an ended group has between SIGTERM and SIGKILL.
    static constexpr std::chrono::milliseconds TermGrace{2000};
    // How often a waiting runner looks at its token.
    static constexpr std::chrono::milliseconds CancelPoll{50};

    // args[0] is looked up on PATH.
    explicit ProcessRunner(std::vector<std::string> args);
    ~ProcessRunner();

    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    // Send the child's stdout / stderr to /dev/null instead of ours.
    void discardStdout(bool on) { dropStdout = on; }
    void discardStderr(bool on) { dropStderr = on; }

    // One line of the child's stdout, without its newline.
    using LineSink = std::function<void(const std::string& line)>;
    // Reads the child's stdout through a pipe and hands each line (a last
    // unterminated one too) to sink on the thread that waits, while it
    // waits. Lines the child writes after its group was told to end are
    // dropped. Set before start(); overrides discardStdout.
    void readStdoutLines(LineSink sink) { stdoutSink = std::move(sink); }

    // Starts the program; false when it could not be started (not found,
    // not executable, no resources).
    bool start();

    // Waits for the started program. Its exit status, or -1 when it did
    // not start or ended by a signal. With a token, the child's group is
    // ended once the token is cancelled (TERM, TermGrace, KILL), the child
    // reaped, and Cancelled returned. A null token waits like wait().
    int wait();
    int wait(const CancelToken* cancel);

    // start() then wait().
    int run();
    int run(const CancelToken* cancel);

    // A longer line reaches the sink in pieces of this size.
    static constexpr std::size_t MaxLine = 1 << 20;

private:
    bool awaitExit(std::chrono::steady_clock::time_point deadline, const CancelToken* cancel);
    bool hasExited() const;
    void readStdout();
    void deliver(std::string line);
    void closeStdout();
    void signalGroup(int sig) const;
    void terminate();
    int reap();

    std::vector<std::string> args;
    bool dropStdout = false;
    bool dropStderr = false;
    pid_t pid = -1;
    LineSink stdoutSink;
    // Our end of the stdout pipe while the child may still write to it.
    int stdoutFd = -1;
    std::string partialLine;
    bool ending = false;
};

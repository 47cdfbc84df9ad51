#pragma once

#include "media/PipeLines.h"

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
// empty signal mask, and may have its stdout and stderr thrown away or read
// line by line. It leads a process group of its own, so a terminal's Ctrl-C
// does not reach it behind our back and ending it ends whatever it started
// too. It is killed when this process ends, however it ends (SIGKILL
// included), so that no ffmpeg is left writing behind a killed program.
//
// A runner is used by one thread (a job's worker), which must outlive the
// child: the child is killed when the thread that started it ends, and the
// runner waits for it and reaps it on that thread. Only the CancelToken is
// shared with other threads and signal handlers. A child still running when
// the runner is destroyed is ended like a cancelled one and reaped.
class ProcessRunner {
public:
    // What wait() and run() return when the token (or endEarly) ended the
    // child. -1 stays "did not start, or died of a signal".
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

    // One line of the child's output, without its newline.
    using LineSink = PipeLines::Sink;
    // Reads the child's stdout through a pipe and hands each line (a last
    // unterminated one too) to sink on the thread that waits, while it
    // waits. Lines the child writes after its group was told to end are
    // dropped. Set before start(); overrides discardStdout.
    void readStdoutLines(LineSink sink) { stdoutSink = std::move(sink); }
    // The same for stderr; both pipes are drained as they fill, so neither
    // can stall the child. Overrides discardStderr.
    void readStderrLines(LineSink sink) { stderrSink = std::move(sink); }

    // Starts the program; false when it could not be started (not found,
    // not executable, no resources). startError() then tells why.
    bool start();
    // errno of the last failed start(): ENOENT when the program is not on
    // PATH; 0 after a start that worked.
    int startError() const { return spawnError; }

    // Waits for the started program. Its exit status, or -1 when it did
    // not start or ended by a signal. With a token, the child's group is
    // ended once the token is cancelled (TERM, TermGrace, KILL), the child
    // reaped, and Cancelled returned. A null token waits like wait().
    int wait();
    int wait(const CancelToken* cancel);

    // Ends the child as a cancelled token would, at the wait's next look:
    // for a line sink that has read enough to know the run is lost. Called
    // on the waiting thread (from a sink) or before wait().
    void endEarly() { ending = true; }

    // start() then wait().
    int run();
    int run(const CancelToken* cancel);

    // A longer line reaches the sink in pieces of this size.
    static constexpr std::size_t MaxLine = PipeLines::MaxLine;

private:
    bool awaitExit(std::chrono::steady_clock::time_point deadline, const CancelToken* cancel);
    bool hasExited() const;
    void readPipes();
    void closePipes();
    void signalGroup(int sig) const;
    void terminate();
    int reap();

    std::vector<std::string> args;
    bool dropStdout = false;
    bool dropStderr = false;
    pid_t pid = -1;
    int spawnError = 0;
    bool ending = false;
    LineSink stdoutSink;
    LineSink stderrSink;
    // Our ends of the pipes while the child may still write to them.
    PipeLines stdoutLines;
    PipeLines stderrLines;
};

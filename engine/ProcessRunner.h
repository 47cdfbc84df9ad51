#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Runs one program from an argument vector, without a shell, and waits for
// it. The child reads /dev/null, gets default signal dispositions and an
// empty signal mask, and may have its output thrown away. A child still
// running when the runner is destroyed is killed and reaped.
class ProcessRunner {
public:
    // args[0] is looked up on PATH.
    explicit ProcessRunner(std::vector<std::string> args);
    ~ProcessRunner();

    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    // Send the child's stdout / stderr to /dev/null instead of ours.
    void discardStdout(bool on) { dropStdout = on; }
    void discardStderr(bool on) { dropStderr = on; }

    // Starts the program; false when it could not be started (not found,
    // not executable, no resources).
    bool start();

    // Waits for the started program. Its exit status, or -1 when it did
    // not start or ended by a signal.
    int wait();

    // start() then wait().
    int run();

private:
    std::vector<std::string> args;
    bool dropStdout = false;
    bool dropStderr = false;
    pid_t pid = -1;
};

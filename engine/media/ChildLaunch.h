#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts one program as a child that cannot outlive this process: it is
// killed when the thread that started it ends (the whole process included,
// also by SIGKILL, which no handler of ours sees). Everything the child
// needs (the program's path looked up on PATH, its arguments and
// environment) is made before the fork, so that the child runs only
// async-signal-safe calls until it executes the program.
//
// The child leads a process group of its own, has default signal
// dispositions and an empty signal mask, and its descriptors 0 to 2 are
// ours unless redirected.
class ChildLaunch {
public:
    // args[0] is looked up on PATH unless it holds a "/".
    explicit ChildLaunch(const std::vector<std::string>& args);
    ChildLaunch(const ChildLaunch&) = delete;
    ChildLaunch& operator=(const ChildLaunch&) = delete;

    // The child's descriptor target (0 to 2) reads or writes /dev/null.
    void toNull(int target) { redirects.push_back({-1, target}); }
    // The child's descriptor target is a copy of our fd (close-on-exec or not).
    void copy(int fd, int target) { redirects.push_back({fd, target}); }

    // The child's pid; -1 with error set to why it did not start: ENOENT
    // when the program is not on PATH, EACCES when it is not executable,
    // else the errno of the fork or of the exec.
    pid_t start(int& error);

private:
    struct Redirect {
        // -1: /dev/null.
        int from;
        int target;
    };

    // Runs in the child: only async-signal-safe calls.
    [[noreturn]] void becomeProgram(pid_t parent, int errorPipe) const;

    std::string program;
    int lookupError = 0;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::vector<char*> argv;
    std::vector<char*> envp;
    std::vector<Redirect> redirects;
};

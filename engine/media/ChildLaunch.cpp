#include "media/ChildLaunch.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

// What execvp would run for name: ENOENT when no folder of PATH has it,
// EACCES when one has it but not executable.
std::string lookUp(const std::string& name, int& error) {
    error = 0;
    if (name.empty()) {
        error = ENOENT;
        return {};
    }
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "/bin:/usr/bin";
    bool deniedOne = false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        // An empty entry is the working folder, as for the shell.
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
            deniedOne = true;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    error = deniedOne ? EACCES : ENOENT;
    return {};
}

void closeBoth(int (&fds)[2]) {
    for (int& fd : fds)
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
}

} // namespace

ChildLaunch::ChildLaunch(const std::vector<std::string>& args) : arguments(args) {
    program = lookUp(args.empty() ? std::string() : args[0], lookupError);
    for (char** entry = environ; entry && *entry; ++entry)
        environment.emplace_back(*entry);
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
}

pid_t ChildLaunch::start(int& error) {
    error = lookupError;
    if (error != 0)
        return -1;
    // The child tells why its exec failed through this pipe; an exec that
    // works closes it (close-on-exec), and the parent reads nothing.
    int report[2] = {-1, -1};
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = errno;
        return -1;
    }
    // No handler of ours may run in the child before its dispositions are
    // reset; the child unblocks everything once they are.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0)
        becomeProgram(parent, report[1]);
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(std::exchange(report[1], -1));
    if (child < 0) {
        closeBoth(report);
        error = forkError;
        return -1;
    }
    // Also here, so that a group signal sent at once reaches the child.
    ::setpgid(child, child);
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    closeBoth(report);
    if (got != static_cast<ssize_t>(sizeof childError))
        return child;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    error = childError;
    return -1;
}

void ChildLaunch::becomeProgram(pid_t parent, int errorPipe) const {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        if (sig != SIGKILL && sig != SIGSTOP)
            ::sigaction(sig, &byDefault, nullptr);
    // Killed with the thread that forked. The runner's thread waits for
    // the child and reaps it before it ends, so only the end of the
    // process (a crash, SIGKILL, _Exit) fires this. A parent already gone
    // before the call would never fire it: then there is nobody to run for.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    ::setpgid(0, 0);
    int failed = 0;
    for (const Redirect& redirect : redirects) {
        int from = redirect.from;
        if (from < 0)
            from = ::open("/dev/null", O_RDWR | O_NOCTTY);
        const bool placed =
            from >= 0 && (from == redirect.target ? ::fcntl(from, F_SETFD, 0) == 0
                                                  : ::dup2(from, redirect.target) >= 0);
        if (!placed) {
            failed = errno;
            break;
        }
        if (redirect.from < 0 && from != redirect.target)
            ::close(from);
    }
    if (failed == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(program.c_str(), argv.data(), envp.data());
        failed = errno;
    }
    [[maybe_unused]] const ssize_t written = ::write(errorPipe, &failed, sizeof failed);
    ::_exit(127);
}

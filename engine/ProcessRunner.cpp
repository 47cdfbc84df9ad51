#include "ProcessRunner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <utility>

extern char** environ;

namespace {

struct FileActions {
    posix_spawn_file_actions_t fa;
    bool ok = posix_spawn_file_actions_init(&fa) == 0;
    ~FileActions() {
        if (ok) {
            posix_spawn_file_actions_destroy(&fa);
        }
    }
};

struct SpawnAttr {
    posix_spawnattr_t attr;
    bool ok = posix_spawnattr_init(&attr) == 0;
    ~SpawnAttr() {
        if (ok) {
            posix_spawnattr_destroy(&attr);
        }
    }
};

} // namespace

ProcessRunner::ProcessRunner(std::vector<std::string> a) : args(std::move(a)) {}

ProcessRunner::~ProcessRunner() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        wait();
    }
}

bool ProcessRunner::start() {
    if (args.empty() || pid > 0) {
        return false;
    }
    FileActions actions;
    SpawnAttr attr;
    if (!actions.ok || !attr.ok) {
        return false;
    }
    if (posix_spawn_file_actions_addopen(&actions.fa, 0, "/dev/null", O_RDONLY, 0) != 0) {
        return false;
    }
    if (dropStdout &&
        posix_spawn_file_actions_addopen(&actions.fa, 1, "/dev/null", O_WRONLY, 0) != 0) {
        return false;
    }
    if (dropStderr &&
        posix_spawn_file_actions_addopen(&actions.fa, 2, "/dev/null", O_WRONLY, 0) != 0) {
        return false;
    }

    // The program ignores SIGPIPE; the child must not inherit that, nor a
    // blocked signal from the calling thread.
    sigset_t defaults;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    sigset_t noMask;
    sigemptyset(&noMask);
    if (posix_spawnattr_setsigdefault(&attr.attr, &defaults) != 0 ||
        posix_spawnattr_setsigmask(&attr.attr, &noMask) != 0 ||
        posix_spawnattr_setflags(&attr.attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) != 0) {
        return false;
    }

    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], &actions.fa, &attr.attr, argv.data(), environ) != 0) {
        return false;
    }
    pid = child;
    return true;
}

int ProcessRunner::wait() {
    if (pid <= 0) {
        return -1;
    }
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    pid = -1;
    if (r < 0 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

int ProcessRunner::run() {
    if (!start()) {
        return -1;
    }
    return wait();
}

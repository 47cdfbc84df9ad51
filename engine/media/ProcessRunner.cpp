#include "media/ProcessRunner.h"
#include "base/CancelToken.h"
#include "media/ChildLaunch.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// A descriptor that becomes readable when the process ends (it is not
// reaped by that). Invalid where the kernel has no pidfd_open; callers then
// poll with short sleeps.
class PidFd {
public:
    explicit PidFd(pid_t pid) {
#ifdef SYS_pidfd_open
        fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
        (void)pid;
#endif
    }
    ~PidFd() {
        reset();
    }
    PidFd(const PidFd&) = delete;
    PidFd& operator=(const PidFd&) = delete;

    bool valid() const {
        return fd >= 0;
    }
    int get() const {
        return fd;
    }
    void reset() {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }

private:
    int fd = -1;
};

// The two ends of a pipe, closed unless taken.
class Pipe {
public:
    Pipe() { ok = pipe2(fds, O_CLOEXEC) == 0; }
    ~Pipe() {
        for (int fd : fds) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool ok = false;
    int readEnd() const { return fds[0]; }
    int takeReadEnd() { return std::exchange(fds[0], -1); }
    // Both ends close on exec; the child's target becomes a plain copy.
    int writeEnd() const { return fds[1]; }

private:
    int fds[2] = {-1, -1};
};

constexpr std::chrono::milliseconds fallbackPoll{10};
// Reads per look at the pipe, so that a chatty child cannot keep the waiting
// loop from its token.
constexpr int readsPerLook = 16;

} // namespace

ProcessRunner::ProcessRunner(std::vector<std::string> a) : args(std::move(a)) {}

ProcessRunner::~ProcessRunner() {
    if (pid > 0) {
        terminate();
    }
    stdoutLines.mute();
    stderrLines.mute();
    closePipes();
}

bool ProcessRunner::start() {
    if (args.empty() || pid > 0) {
        return false;
    }
    ChildLaunch launch(args);
    launch.toNull(0);
    std::optional<Pipe> out;
    if (stdoutSink) {
        out.emplace();
        if (!out->ok) {
            spawnError = errno;
            return false;
        }
        launch.copy(out->writeEnd(), 1);
    } else if (dropStdout) {
        launch.toNull(1);
    }
    std::optional<Pipe> err;
    if (stderrSink) {
        err.emplace();
        if (!err->ok) {
            spawnError = errno;
            return false;
        }
        launch.copy(err->writeEnd(), 2);
    } else if (dropStderr) {
        launch.toNull(2);
    }
    const pid_t child = launch.start(spawnError);
    if (child < 0) {
        return false;
    }
    pid = child;
    if (out) {
        stdoutLines.attach(out->takeReadEnd(), stdoutSink);
    }
    if (err) {
        stderrLines.attach(err->takeReadEnd(), stderrSink);
    }
    return true;
}

int ProcessRunner::wait() {
    return wait(nullptr);
}

// Runs on the job's worker thread; the token may be set from any thread or
// a signal handler, so it is looked at every CancelPoll.
int ProcessRunner::wait(const CancelToken* cancel) {
    if (pid <= 0) {
        return -1;
    }
    // Without a token or a pipe to read there is nothing to do but block.
    if ((cancel == nullptr && !ending && !stdoutLines.isOpen() && !stderrLines.isOpen()) ||
        awaitExit(std::chrono::steady_clock::time_point::max(), cancel)) {
        return reap();
    }
    terminate();
    return Cancelled;
}

int ProcessRunner::run() {
    return run(nullptr);
}

int ProcessRunner::run(const CancelToken* cancel) {
    if (!start()) {
        return -1;
    }
    return wait(cancel);
}

// True once the child has ended (left unreaped, so its pid and group stay
// ours); false when the deadline passed or the token was cancelled first.
// Meanwhile the child's stdout and stderr are read as they come, so a full
// pipe never stalls it.
bool ProcessRunner::awaitExit(std::chrono::steady_clock::time_point deadline,
                              const CancelToken* cancel) {
    using namespace std::chrono;
    PidFd pidfd(pid);
    for (;;) {
        if (hasExited()) {
            // Whatever it wrote before it ended is in the pipes by now.
            readPipes();
            return true;
        }
        if (ending || (cancel != nullptr && cancel->cancelled())) {
            return false;
        }
        const auto now = steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        const auto slice = std::min<steady_clock::duration>(
            deadline - now, pidfd.valid() ? steady_clock::duration(CancelPoll)
                                          : steady_clock::duration(fallbackPoll));
        pollfd watched[3];
        nfds_t count = 0;
        if (pidfd.valid()) {
            watched[count++] = pollfd{pidfd.get(), POLLIN, 0};
        }
        for (const PipeLines* lines : {&stdoutLines, &stderrLines}) {
            if (lines->isOpen()) {
                watched[count++] = pollfd{lines->fd(), POLLIN, 0};
            }
        }
        const auto ms = ceil<milliseconds>(slice).count();
        // EINTR and timeouts just go round again.
        if (count == 0 || (poll(watched, count, static_cast<int>(ms)) < 0 && errno != EINTR)) {
            pidfd.reset();
            std::this_thread::sleep_for(slice);
        }
        readPipes();
    }
}

bool ProcessRunner::hasExited() const {
    siginfo_t info{};
    int r;
    do {
        r = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (r < 0 && errno == EINTR);
    // An error means there is nothing left to wait for.
    return r < 0 || info.si_pid == pid;
}

// The group id is the child's pid, which cannot be reused while the child
// is unreaped, so this never reaches a stranger.
void ProcessRunner::signalGroup(int sig) const {
    if (killpg(pid, sig) != 0) {
        kill(pid, sig);
    }
}

// TERM lets ffmpeg close its output; SIGCONT wakes a member stopped by job
// control so that it sees the TERM. KILL goes to the group even when the
// child ended in time, for anything it started that ignores TERM.
void ProcessRunner::terminate() {
    stdoutLines.mute();
    stderrLines.mute();
    // Asked already: the grace below is waited out whatever the sinks said.
    ending = false;
    signalGroup(SIGTERM);
    signalGroup(SIGCONT);
    awaitExit(std::chrono::steady_clock::now() + TermGrace, nullptr);
    signalGroup(SIGKILL);
    reap();
}

int ProcessRunner::reap() {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    pid = -1;
    // A descendant may still hold the pipes; what the child wrote has been read.
    closePipes();
    if (r < 0 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

void ProcessRunner::readPipes() {
    stdoutLines.readAvailable(readsPerLook);
    stderrLines.readAvailable(readsPerLook);
}

void ProcessRunner::closePipes() {
    stdoutLines.close();
    stderrLines.close();
}

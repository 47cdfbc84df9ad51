#include "ToolRun.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

extern char** environ;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

ToolRun::ToolRun(std::vector<std::string> args, const fs::path& workDir,
                 const std::vector<int>& closed) {
    std::string pattern = (fs::temp_directory_path() / "quillmoth-run-XXXXXX").string();
    if (args.empty() || !mkdtemp(pattern.data())) {
        ADD_FAILURE() << "nothing to run, or no folder for its output";
        return;
    }
    outputs_ = pattern;
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const std::string out = (outputs_ / "stdout").string();
    const std::string err = (outputs_ / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int fd : closed)
        posix_spawn_file_actions_addclose(&actions, fd);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());

    // A test runner started in the background ignores SIGINT; the program
    // must see the signals a user would send it.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGPIPE})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const int spawned = posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start " << args[0] << ": " << std::strerror(spawned);
    }
}

ToolRun::~ToolRun() {
    if (started() && !ended_) {
        ::kill(pid_, SIGKILL);
        reap(true);
    }
    if (!outputs_.empty()) {
        std::error_code ec;
        fs::remove_all(outputs_, ec);
    }
}

bool ToolRun::reap(bool block) {
    if (ended_ || !started())
        return true;
    pid_t got = -1;
    do {
        got = ::waitpid(pid_, &waitStatus_, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == pid_ || got < 0)
        ended_ = true;
    return ended_;
}

void ToolRun::signal(int sig) const {
    if (started() && !ended_)
        ::kill(pid_, sig);
}

bool ToolRun::waitForLine(const std::string& line, std::chrono::milliseconds limit) {
    if (!started())
        return false;
    auto seen = [&] {
        for (const auto& l : splitLines(readAll(outputs_ / "stdout")))
            if (l == line)
                return true;
        return false;
    };
    bool found = false;
    waitUntil([&] { return (found = seen()) || reap(false); }, limit);
    return found || seen();
}

ToolResult ToolRun::finish(std::chrono::milliseconds limit) {
    ToolResult result;
    if (!started())
        return result;
    if (!waitUntil([&] { return reap(false); }, limit)) {
        ADD_FAILURE() << "pid " << pid_ << " still running after " << limit.count()
                      << " ms; killed";
        ::kill(pid_, SIGKILL);
        reap(true);
    }
    if (WIFEXITED(waitStatus_))
        result.status = WEXITSTATUS(waitStatus_);
    else if (WIFSIGNALED(waitStatus_))
        result.signal = WTERMSIG(waitStatus_);
    result.out = readAll(outputs_ / "stdout");
    result.lines = splitLines(result.out);
    result.err = readAll(outputs_ / "stderr");
    return result;
}

ToolResult runProgram(const std::vector<std::string>& args, const fs::path& workDir) {
    ToolRun run(args, workDir);
    return run.finish();
}

std::string quillmothGetPath() {
    if (const char* given = std::getenv("QUILLMOTH_GET"); given && *given)
        return given;
    return (fs::read_symlink("/proc/self/exe").parent_path() / "quillmoth-get").string();
}

std::string quillmothSitePath() {
    if (const char* given = std::getenv("QUILLMOTH_SITE"); given && *given)
        return given;
    return (fs::read_symlink("/proc/self/exe").parent_path() / "quillmoth-site").string();
}

std::vector<pid_t> childProcesses(pid_t parent, const std::string& name) {
    std::vector<pid_t> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string id = entry.path().filename().string();
        if (id.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
        const std::string stat = readAll(entry.path() / "stat");
        const auto close = stat.rfind(')');
        const auto open = stat.find('(');
        if (close == std::string::npos || open == std::string::npos || open > close)
            continue;
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        long ppid = 0;
        if (!(rest >> state >> ppid) || state == 'Z' || ppid != parent)
            continue;
        if (stat.substr(open + 1, close - open - 1) == name.substr(0, 15))
            found.push_back(static_cast<pid_t>(std::stol(id)));
    }
    return found;
}

bool processEnded(pid_t pid) {
    int status = 0;
    const pid_t got = ::waitpid(pid, &status, WNOHANG);
    if (got == pid)
        return true;
    if (got == 0)
        return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

bool makeClip(const std::vector<std::string>& inputs, const fs::path& out) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    args.push_back("-y");
    args.push_back(out.string());
    // Minutes of picture take a while on a busy machine.
    ToolRun run(args, out.parent_path());
    const ToolResult made = run.finish(std::chrono::minutes(5));
    EXPECT_EQ(made.status, 0) << out << ": " << made.err;
    return made.status == 0;
}

void pollPause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

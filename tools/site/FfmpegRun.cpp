#include "tools/site/FfmpegRun.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace {

// posix_spawn's file actions, destroyed with the object.
struct SpawnActions {
    SpawnActions() { ok = posix_spawn_file_actions_init(&actions) == 0; }
    ~SpawnActions() {
        if (ok)
            posix_spawn_file_actions_destroy(&actions);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    posix_spawn_file_actions_t actions;
    bool ok = false;
};

} // namespace

bool runFfmpeg(std::vector<std::string> args, const std::string& workDir) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    SpawnActions spawn;
    if (!spawn.ok || (!workDir.empty() &&
                      posix_spawn_file_actions_addchdir_np(&spawn.actions, workDir.c_str()) != 0))
        return false;
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", &spawn.actions, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    pid_t got = -1;
    do {
        got = waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    return got == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

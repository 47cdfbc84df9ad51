#include "DemoStream.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

extern char** environ;

namespace {

bool runFfmpeg(std::vector<std::string> args) {
    args.insert(args.begin(), {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
                               "-i", "testsrc=duration=3:size=320x240:rate=25", "-f", "lavfi", "-i",
                               "sine=frequency=440:duration=3"});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

std::string makeDemoStreams() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillmoth-site-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        return "";
    const std::string dir = tmpl;
    const bool mp4 = runFfmpeg({"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac",
                                "-movflags", "+faststart", "-shortest", dir + "/demo.mp4"});
    const bool flv = runFfmpeg(
        {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100", "-shortest", dir + "/demo.flv"});
    if (!mp4 || !flv) {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        return "";
    }
    return dir;
}

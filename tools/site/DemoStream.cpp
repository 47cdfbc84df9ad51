#include "DemoStream.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace {

bool runFfmpeg(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    pid_t got = -1;
    do {
        got = waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    return got == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

bool makeDemoStream(const DemoClip& clip, Container container, int lines, const std::string& out) {
    const std::string seconds = std::to_string(clip.seconds);
    // Widths stay even for yuv420p.
    const std::string size = std::to_string(lines * 16 / 9 / 2 * 2) + "x" + std::to_string(lines);
    const std::string video = clip.source + "=duration=" + seconds + ":size=" + size + ":rate=15";
    // 22 kHz audio: AAC encoding is most of the long clip's cost.
    const std::string tone =
        "sine=frequency=" + std::to_string(clip.toneHz) + ":sample_rate=22050:duration=" + seconds;
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-loglevel", "error", "-y",   "-f",  "lavfi", "-i",  video,
        "-f",     "lavfi",    "-i",        tone,    "-map", "0:v", "-map",  "1:a", "-shortest"};
    if (container == Container::Flv) {
        args.insert(args.end(),
                    {"-c:v", "flv", "-q:v", "8", "-c:a", "libmp3lame", "-b:a", "64k", "-f", "flv"});
    } else {
        args.insert(args.end(),
                    {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "30", "-pix_fmt", "yuv420p",
                     "-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart", "-f", "mp4"});
    }
    args.push_back(out);
    return runFfmpeg(std::move(args));
}

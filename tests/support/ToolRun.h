#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

// How a program run by ToolRun ended.
struct ToolResult {
    // Exit status; -1 when the program could not start or died of a signal.
    int status = -1;
    // The signal that ended it, or 0.
    int signal = 0;
    std::string out;                // stdout as written
    std::vector<std::string> lines; // stdout, one entry per line
    std::string err;
};

// One program run from an argument vector (looked up on PATH, no shell) in
// workDir, reading /dev/null, with stdout and stderr in files of its own
// outside workDir, so neither stream can block it and no listing of workDir
// sees them. Descriptors of 0, 1 and 2 listed in closed start closed
// instead. A program still running when the object goes away is killed
// and reaped.
//
//   ToolRun tool({quillmothGetPath(), "--title", "T", url}, dir);
//   ASSERT_TRUE(tool.waitForLine("Converting to mp3..."));
//   tool.signal(SIGTERM);
//   ToolResult r = tool.finish();
class ToolRun {
public:
    ToolRun(std::vector<std::string> args, const std::filesystem::path& workDir,
            const std::vector<int>& closed = {});
    ~ToolRun();
    ToolRun(const ToolRun&) = delete;
    ToolRun& operator=(const ToolRun&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Waits until stdout holds line as a whole line. False when the program
    // ended without it or limit passed.
    bool waitForLine(const std::string& line,
                     std::chrono::milliseconds limit = std::chrono::seconds(60));
    void signal(int sig) const;

    // Waits for the program to end. One that outlives limit is killed and
    // the test fails, so a hanging program never hangs the suite.
    ToolResult finish(std::chrono::milliseconds limit = std::chrono::seconds(120));

private:
    bool reap(bool block);

    std::filesystem::path outputs_;
    pid_t pid_ = -1;
    int waitStatus_ = 0;
    bool ended_ = false;
};

// Runs args in workDir to the end.
ToolResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& workDir);

// The quillmoth-get under test: $QUILLMOTH_GET when set (so an older build
// can be checked against the same tests), else the one beside this test
// executable.
std::string quillmothGetPath();

// The quillmoth-site under test: $QUILLMOTH_SITE when set, else the one
// beside this test executable.
std::string quillmothSitePath();

// Running processes whose parent is parent and whose command name is name.
std::vector<pid_t> childProcesses(pid_t parent, const std::string& name);

// True when pid no longer runs. An ended child of ours (one adopted through
// ChildSubreaper included) is reaped here.
bool processEnded(pid_t pid);

// Makes a clip with the real ffmpeg: "ffmpeg <inputs> -y out" (inputs
// holds the input and codec options), run in out's folder.
bool makeClip(const std::vector<std::string>& inputs, const std::filesystem::path& out);

// The pause between two polls of waitUntil.
void pollPause();

// Polls until done() holds or limit passes; returns done() at the end. The
// limit only keeps a fault from hanging the run, on however busy a machine.
template <typename Done>
bool waitUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return done();
        pollPause();
    }
    return true;
}

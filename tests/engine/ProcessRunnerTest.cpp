#include "media/ProcessRunner.h"
#include "base/CancelToken.h"
#include "support/ChildSubreaper.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A script that starts `sleep 30` in the background, writes its pid to $0
// and waits for it. Only builtins run beside the sleep, so no third process
// can be orphaned while the test looks. `prelude` runs first.
ProcessRunner sleeperWithGrandchild(const fs::path& pidFile, const std::string& prelude = "") {
    return ProcessRunner(
        {"sh", "-c", prelude + "sleep 30 & echo $! > \"$0\"; wait", pidFile.string()});
}

// Blocks until the script has written its grandchild's pid (one line, so a
// half-written file has no newline yet); the test's timeout guards a script
// that never does.
pid_t awaitPid(const fs::path& pidFile) {
    for (;;) {
        std::ifstream in(pidFile);
        std::string line;
        if (std::getline(in, line) && !in.eof()) {
            return static_cast<pid_t>(std::stoi(line));
        }
        std::this_thread::sleep_for(10ms);
    }
}

// Reaps the adopted grandchild: the signal it died of, or 0 when it lived to
// exit on its own (30 s later, when nothing ended it).
int deathSignal(pid_t grandchild) {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(grandchild, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != grandchild || !WIFSIGNALED(status)) {
        return 0;
    }
    return WTERMSIG(status);
}

bool noChildLeft() {
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

class ProcessRunnerCancelTest : public ::testing::Test {
protected:
    TempFolder dir;
    CancelToken token;
    ChildSubreaper adopter;
};

TEST(ProcessRunnerTest, ChildStartsCleanAndIsReaped) {
    EXPECT_EQ(ProcessRunner({"sh", "-c", "exit 3"}).run(), 3);
    EXPECT_EQ(ProcessRunner({"quillmoth-no-such-program"}).run(), -1);
    // stdin is /dev/null: read hits end of file at once.
    EXPECT_EQ(ProcessRunner({"sh", "-c", "read line; exit $?"}).run(), 1);

    // The program ignores SIGPIPE; a child must still die of it.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    const int status = ProcessRunner({"sh", "-c", "kill -PIPE $$; exit 0"}).run();
    std::signal(SIGPIPE, previous);
    EXPECT_EQ(status, -1);

    {
        ProcessRunner sleeper({"sleep", "600"});
        ASSERT_TRUE(sleeper.start());
    }
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child was left behind";

    // Why a start failed: not on PATH, or there but not executable.
    ProcessRunner missing({"quillmoth-no-such-program"});
    EXPECT_FALSE(missing.start());
    EXPECT_EQ(missing.startError(), ENOENT);
    TempFolder dir;
    std::ofstream(dir.file("plain")) << "#!/bin/sh\n";
    ProcessRunner denied({dir.file("plain")});
    EXPECT_FALSE(denied.start());
    EXPECT_EQ(denied.startError(), EACCES);
    EXPECT_TRUE(noChildLeft());
}

// A killed program cannot end its children in any way of its own; they die
// with the thread that started them (here one that ends while its child
// runs, as every thread does when the process is killed).
TEST(ProcessRunnerTest, TheChildDiesWithWhatStartedIt) {
    std::unique_ptr<ProcessRunner> sleeper;
    std::thread starter([&] {
        sleeper = std::make_unique<ProcessRunner>(std::vector<std::string>{"sleep", "600"});
        ASSERT_TRUE(sleeper->start());
    });
    starter.join();
    // Ended by hand after a while if nothing else ends it, so that the
    // test fails instead of hanging.
    CancelToken giveUp;
    std::thread guard([&] {
        for (int i = 0; i < 300 && !giveUp.cancelled(); ++i)
            std::this_thread::sleep_for(100ms);
        giveUp.cancel();
    });
    EXPECT_EQ(sleeper->wait(&giveUp), -1) << "the child outlived its thread";
    giveUp.cancel();
    guard.join();
    EXPECT_TRUE(noChildLeft());
}

TEST(ProcessRunnerTest, ExitStatusesComeThroughWhenNotCancelled) {
    CancelToken token;
    // Long enough to go round the polling wait a few times.
    EXPECT_EQ(ProcessRunner({"sh", "-c", "sleep 0.2; exit 7"}).run(&token), 7);
    EXPECT_EQ(ProcessRunner({"sh", "-c", "exit 0"}).run(&token), 0);
    EXPECT_EQ(ProcessRunner({"sh", "-c", "kill -KILL $$"}).run(&token), -1);
    EXPECT_EQ(ProcessRunner({"quillmoth-no-such-program"}).run(&token), -1);

    ProcessRunner plain({"sh", "-c", "exit 4"});
    ASSERT_TRUE(plain.start());
    EXPECT_EQ(plain.wait(nullptr), 4);
    EXPECT_EQ(plain.wait(&token), -1) << "nothing left to wait for";
    EXPECT_TRUE(noChildLeft());
}

TEST(ProcessRunnerTest, StdoutAndStderrAreReadLineByLine) {
    std::vector<std::string> lines;
    auto collect = [&lines](const std::string& line) { lines.push_back(line); };
    ProcessRunner brief({"sh", "-c", "printf 'one\\n\\nthree'"});
    brief.readStdoutLines(collect);
    EXPECT_EQ(brief.run(), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "three"}));

    // Far more than a pipe holds on both, waited for without a token.
    lines.clear();
    std::vector<std::string> errors;
    ProcessRunner chatty({"sh", "-c",
                          "i=0; while [ $i -lt 30000 ]; do echo line$i; echo err$i >&2; "
                          "i=$((i+1)); done; exit 5"});
    chatty.readStdoutLines(collect);
    chatty.readStderrLines([&errors](const std::string& line) { errors.push_back(line); });
    EXPECT_EQ(chatty.run(), 5);
    ASSERT_EQ(lines.size(), 30000u);
    EXPECT_EQ(lines.back(), "line29999");
    ASSERT_EQ(errors.size(), 30000u);
    EXPECT_EQ(errors.back(), "err29999");

    // A child that never stops writing still ends on its token.
    CancelToken token;
    std::size_t seen = 0;
    ProcessRunner endless({"yes"});
    endless.readStdoutLines([&](const std::string&) {
        if (++seen == 1000) {
            token.cancel();
        }
    });
    EXPECT_EQ(endless.run(&token), ProcessRunner::Cancelled);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ProcessRunnerCancelTest, CancelFromAnotherThreadEndsTheWait) {
    ProcessRunner sleeper({"sleep", "30"});
    ASSERT_TRUE(sleeper.start());
    std::thread canceller([this] {
        std::this_thread::sleep_for(100ms);
        token.cancel();
    });
    EXPECT_EQ(sleeper.wait(&token), ProcessRunner::Cancelled);
    canceller.join();
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ProcessRunnerCancelTest, GroupThatIgnoresTermIsKilled) {
    // The shell and its sleep both ignore TERM (an ignored signal is inherited).
    const fs::path pidFile = dir / "pid";
    ProcessRunner stubborn = sleeperWithGrandchild(pidFile, "trap '' TERM; ");
    ASSERT_TRUE(stubborn.start());
    const pid_t grandchild = awaitPid(pidFile);
    token.cancel();
    EXPECT_EQ(stubborn.wait(&token), ProcessRunner::Cancelled);
    EXPECT_EQ(deathSignal(grandchild), SIGKILL);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ProcessRunnerCancelTest, DestroyingTheRunnerEndsWhatTheChildStarted) {
    const fs::path pidFile = dir / "pid";
    pid_t grandchild = -1;
    {
        ProcessRunner parent = sleeperWithGrandchild(pidFile);
        ASSERT_TRUE(parent.start());
        grandchild = awaitPid(pidFile);
    }
    EXPECT_EQ(deathSignal(grandchild), SIGTERM);
    EXPECT_EQ(kill(grandchild, 0), -1);
    EXPECT_TRUE(noChildLeft());
}

} // namespace

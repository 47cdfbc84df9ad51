#include "support/ChildSubreaper.h"
#include "support/FixtureServer.h"
#include "support/JobTexts.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

// quillmoth-get against servers, pages and folders that try to make it lose,
// mix or leak files. Set QUILLMOTH_GET to check another build of the tool.

namespace fs = std::filesystem;
using testfiles::listFolder;
using testfiles::readFile;

namespace {

using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

constexpr std::size_t MiB = 1024 * 1024;

const Lines kNotSaved = withHead({"setflv", "done", "Error: Could not save movie."});

// The lines of a movie saved as name.flv.
Lines savedAs(const std::string& name) {
    return withHead({"setflv", "saved:" + name + ".flv", "Download Complete!", "done"});
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// quillmoth-get with args.
std::vector<std::string> tool(std::vector<std::string> args) {
    args.insert(args.begin(), quillmothGetPath());
    return args;
}

// Large bodies are compared without printing them.
::testing::AssertionResult holds(const fs::path& file, const std::string& expected) {
    if (!fs::exists(file))
        return ::testing::AssertionFailure() << file << " does not exist";
    const std::string actual = readFile(file.string());
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure()
           << file << " holds " << actual.size() << " bytes, " << expected.size()
           << " expected; they differ from byte " << (diff.first - actual.begin());
}

bool isLink(const fs::path& p) {
    return fs::is_symlink(fs::symlink_status(p));
}

// A stream that sends the first half of body, then holds until released (or
// a bounded wait passes), then sends the rest or drops the connection.
class HeldStream {
public:
    HeldStream(FixtureServer& srv, const std::string& path, std::string body, bool dropAfterHold)
        : state_(std::make_shared<State>()) {
        state_->body = std::move(body);
        state_->drop = dropAfterHold;
        auto state = state_;
        srv.get(path, [state, &srv](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                state->body.size(), "application/octet-stream",
                [state, &srv](size_t offset, size_t, httplib::DataSink& sink) {
                    const std::size_t half = state->body.size() / 2;
                    if (offset == half) {
                        state->held = true;
                        waitUntil([&] { return state->released || srv.stopping(); });
                        if (state->drop)
                            return false;
                    }
                    const std::size_t end = offset < half ? half : state->body.size();
                    const std::size_t n = std::min<std::size_t>(64 * 1024, end - offset);
                    return sink.write(state->body.data() + offset, n);
                });
        });
    }
    // Waits until the first half is out.
    bool waitHeld() const {
        return waitUntil([&] { return state_->held.load(); });
    }
    void release() { state_->released = true; }

private:
    struct State {
        std::string body;
        bool drop = false;
        std::atomic<bool> held{false};
        std::atomic<bool> released{false};
    };
    std::shared_ptr<State> state_;
};

// A TCP listener on 127.0.0.1 that counts and closes every connection.
class ConnectionCounter {
public:
    ConnectionCounter() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            if (fd_ >= 0)
                ::close(fd_);
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 20) > 0)
                    acceptAll();
            }
        });
    }
    ~ConnectionCounter() {
        stop();
        ::close(fd_);
    }
    ConnectionCounter(const ConnectionCounter&) = delete;
    ConnectionCounter& operator=(const ConnectionCounter&) = delete;

    int port() const { return port_; }
    // Every connection so far, those still queued included; counts no more after.
    int connections() {
        stop();
        acceptAll();
        return count_;
    }

private:
    void stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    void acceptAll() {
        for (int c; (c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            ++count_;
            ::close(c);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    std::thread thread_;
};

// Kills whichever of pids still runs when the scope ends.
class EndLeftovers {
public:
    explicit EndLeftovers(std::vector<pid_t>& pids) : pids_(pids) {}
    ~EndLeftovers() {
        for (pid_t pid : pids_) {
            if (!processEnded(pid)) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    }
    EndLeftovers(const EndLeftovers&) = delete;
    EndLeftovers& operator=(const EndLeftovers&) = delete;

private:
    std::vector<pid_t>& pids_;
};

class GetHostileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { clips = std::make_unique<TempFolder>(); }
    static void TearDownTestSuite() { clips.reset(); }

    // Real clips, each made on first use (a test may run alone in its
    // process): short movies of both containers, a secret outside every
    // movie folder, and an audio track long enough that its conversion is
    // still running when a test stops it.
    static fs::path clipFile(const std::string& name) {
        const std::vector<std::string> movie = {
            "-f", "lavfi", "-i",
            "testsrc=duration=1:size=64x48:rate=10[out0];sine=frequency=440:duration=1[out1]"};
        const std::map<std::string, std::vector<std::string>> recipes = {
            {"clip.flv", movie},
            {"clip.mp4", movie},
            {"secret.ts", {"-f", "lavfi", "-i", "sine=frequency=1000:duration=1", "-c:a", "mp2"}},
            {"long.flv", {"-f", "lavfi", "-i", "sine=duration=120", "-c:a", "adpcm_swf"}},
        };
        const fs::path path = *clips / name;
        if (!fs::exists(path))
            makeClip(recipes.at(name), path);
        return path;
    }
    static std::string clip(const std::string& name) { return readFile(clipFile(name).string()); }

    // A watch page offering path twice, so both the first and the last entry lead there.
    void pageFor(const std::string& page, const std::string& title, const std::string& path) {
        srv.watchPage(page, title, {{"5", srv.url(path)}, {"34", srv.url(path)}});
    }

    ToolResult get(const std::vector<std::string>& args) {
        return runProgram(tool(args), dir.path());
    }

    static inline std::unique_ptr<TempFolder> clips;
    FixtureServer srv;
    TempFolder dir;
};

// Two runs with one title: each keeps a whole file of its own, the later one
// under the next free name, and a failed run costs the other nothing.
TEST_F(GetHostileTest, RunsWithOneTitleNeverMixOrReplaceTheirFiles) {
    const std::string slowBody(5 * MiB, '\x11');
    const std::string fastBody(5 * MiB, '\x02');
    srv.stream("/fast", fastBody);
    pageFor("/fast-page", "Fast", "/fast");
    pageFor("/slow-page", "Slow", "/slow");

    for (const bool slowFails : {false, true}) {
        SCOPED_TRACE(slowFails ? "the slow run drops" : "both runs end well");
        const fs::path movies = dir.folder(slowFails ? "dropped" : "held");
        HeldStream slow(srv, "/slow", slowBody, slowFails);
        ToolRun first(tool({"--title", "Same", "--movies", movies.string(), srv.url("/slow-page")}),
                      dir.path());
        ASSERT_TRUE(slow.waitHeld());
        // The second run starts and ends while the first one is half written.
        const ToolResult second =
            get({"--title", "Same", "--movies", movies.string(), srv.url("/fast-page")});
        slow.release();
        const ToolResult r = first.finish();

        EXPECT_EQ(second.status, 0) << second.err;
        EXPECT_EQ(second.lines, savedAs("Same"));
        EXPECT_TRUE(holds(movies / "Same.flv", fastBody));
        if (slowFails) {
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.lines, kNotSaved);
            EXPECT_EQ(listFolder(movies.string()), Names{"Same.flv"});
        } else {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.lines, savedAs("Same(1)"));
            EXPECT_EQ(listFolder(movies.string()), (Names{"Same(1).flv", "Same.flv"}));
            EXPECT_TRUE(holds(movies / "Same(1).flv", slowBody));
        }
    }
}

TEST_F(GetHostileTest, PlantedLinksAreNeverWrittenThrough) {
    const fs::path outside = dir.folder("outside");
    const Names victims = {"part", "movie", "mp3-part", "mp3"};
    for (const auto& name : victims)
        writeFile(outside / name, "someone else's " + name);
    auto victimsKept = [&] {
        for (const auto& name : victims)
            EXPECT_TRUE(holds(outside / name, "someone else's " + name));
    };
    const fs::path movies = dir.folder("movies");
    fs::create_symlink(outside / "part", movies / "Probe Clip.flv.part");
    // The tool's own part file name (StagedFile::stablePath).
    fs::create_symlink(outside / "part", movies / "Probe Clip.part");
    fs::create_symlink(outside / "movie", movies / "Probe Clip.flv");
    const Names planted = {"Probe Clip.flv", "Probe Clip.flv.part", "Probe Clip.part"};
    pageFor("/probe", "Probe Clip", "/movie");

    srv.error("/movie", 404);
    ToolResult r = get({"--movies", movies.string(), srv.url("/probe")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, kNotSaved);
    victimsKept();
    EXPECT_EQ(listFolder(movies.string()), planted);
    EXPECT_TRUE(isLink(movies / "Probe Clip.flv"));

    const std::string movie = clip("clip.flv");
    srv.stream("/movie", movie);
    r = get({"--movies", movies.string(), srv.url("/probe")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, savedAs("Probe Clip(1)"));
    victimsKept();
    EXPECT_EQ(listFolder(movies.string()), (Names{"Probe Clip(1).flv", "Probe Clip.flv",
                                                  "Probe Clip.flv.part", "Probe Clip.part"}));
    EXPECT_TRUE(isLink(movies / "Probe Clip.flv"));
    EXPECT_TRUE(holds(movies / "Probe Clip(1).flv", movie));

    // The same for what ffmpeg writes.
    const fs::path music = dir.folder("music");
    fs::create_symlink(outside / "mp3-part", music / "Probe Clip.mp3.part");
    fs::create_symlink(outside / "mp3", music / "Probe Clip.mp3");
    r = get({"--mp3", "--movies", dir.folder("movies2").string(), "--music", music.string(),
             srv.url("/probe")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, withHead({"setflv", "saved:Probe Clip.flv", "Download Complete!",
                                 "Converting to mp3...", "saved:Probe Clip(1).mp3", "setmp3",
                                 "done", "Complete! Thank you for using Quillmoth."}));
    victimsKept();
    EXPECT_EQ(listFolder(music.string()),
              (Names{"Probe Clip(1).mp3", "Probe Clip.mp3", "Probe Clip.mp3.part"}));
    EXPECT_TRUE(isLink(music / "Probe Clip.mp3"));
    EXPECT_GT(fs::file_size(music / "Probe Clip(1).mp3"), 1000u);
}

TEST_F(GetHostileTest, ConversionReadsNothingTheMovieNames) {
    const fs::path movies = dir.folder("movies");
    // An earlier movie beside the new one: a concat list may name it relatively.
    fs::copy_file(clipFile("clip.flv"), movies / "Diary.flv");
    const std::vector<std::pair<std::string, std::string>> lists = {
        {"Playlist", "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n"
                     "#EXT-X-MEDIA-SEQUENCE:0\n#EXTINF:1.0,\nfile://" +
                         clipFile("secret.ts").string() + "\n#EXT-X-ENDLIST\n"},
        {"Concat", "ffconcat version 1.0\nfile Diary.flv\n"},
    };
    for (const auto& [title, list] : lists) {
        SCOPED_TRACE(title);
        const fs::path music = dir.folder("music-" + title);
        srv.stream("/list", list);
        pageFor("/watch", title, "/list");
        const ToolResult r = get({"--mp3", "--title", title, "--movies", movies.string(), "--music",
                                  music.string(), srv.url("/watch")});
        // A list is text, refused as a movie before ffmpeg could read it.
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.lines, kNotSaved);
        EXPECT_EQ(listFolder(music.string()), Names{});
    }
}

TEST_F(GetHostileTest, NonMovieResponsesKeepTheEarlierMovie) {
    const fs::path movies = dir.folder("movies");
    const std::string earlier = testBytes(100000, 3);
    srv.stream("/movie", earlier);
    pageFor("/watch", "Keep", "/movie");
    const std::vector<std::string> args = {"--title", "Keep", "--movies", movies.string(),
                                           srv.url("/watch")};
    ASSERT_EQ(get(args).status, 0);
    ASSERT_TRUE(holds(movies / "Keep.flv", earlier));

    const std::vector<std::pair<std::string, FixtureServer::Handler>> answers = {
        {"204", [](const httplib::Request&, httplib::Response& res) { res.status = 204; }},
        {"empty 200",
         [](const httplib::Request&, httplib::Response& res) {
             res.set_content("", "application/octet-stream");
         }},
        {"206 unasked",
         [](const httplib::Request&, httplib::Response& res) {
             res.status = 206;
             res.set_header("Content-Range", "bytes 0-999/200000");
             res.set_content(testBytes(1000, 4), "application/octet-stream");
         }},
        {"plain text",
         [](const httplib::Request&, httplib::Response& res) {
             res.set_content("{\"error\": \"access denied\"}\n", "application/octet-stream");
         }},
        {"login page",
         [](const httplib::Request&, httplib::Response& res) {
             res.set_content("<!DOCTYPE html>\n<html><body><form>Please log in</form></body>"
                             "</html>\n",
                             "text/html");
         }},
    };
    for (const auto& [name, answer] : answers) {
        SCOPED_TRACE(name);
        srv.get("/movie", answer);
        const ToolResult r = get(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.lines, kNotSaved);
        EXPECT_EQ(listFolder(movies.string()), Names{"Keep.flv"});
        EXPECT_TRUE(holds(movies / "Keep.flv", earlier));
    }

    // A compressed body is saved as the movie it encodes.
    const std::string movie = clip("clip.flv");
    writeFile(dir / "movie", movie);
    const ToolResult zipped = runProgram({"gzip", "-n", "-c", "movie"}, dir.path());
    ASSERT_EQ(zipped.status, 0) << zipped.err;
    srv.get("/movie", [gz = zipped.out](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Encoding", "gzip");
        res.set_content(gz, "application/octet-stream");
    });
    const ToolResult r = get(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, savedAs("Keep(1)"));
    EXPECT_TRUE(holds(movies / "Keep(1).flv", movie));
    EXPECT_TRUE(holds(movies / "Keep.flv", earlier));
}

TEST_F(GetHostileTest, StopSignalsLeaveNoTemporaryFiles) {
    ChildSubreaper adopt; // an ffmpeg left behind becomes ours to see
    const fs::path movies = dir.folder("movies");
    const std::string earlier = testBytes(1000, 6);
    writeFile(movies / "Stalled.flv", earlier);
    srv.stall("/stall", "F");
    pageFor("/stalled", "Stalled", "/stall");

    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(sig));
        const int hits = srv.hits("/stall");
        ToolRun run(tool({"--title", "Stalled", "--movies", movies.string(), srv.url("/stalled")}),
                    dir.path());
        ASSERT_TRUE(waitUntil([&] { return srv.hits("/stall") > hits; }));
        run.signal(sig);
        const ToolResult r = run.finish();
        EXPECT_EQ(r.status, 128 + sig) << "ended by signal " << r.signal;
        EXPECT_EQ(listFolder(movies.string()), Names{"Stalled.flv"});
        EXPECT_TRUE(holds(movies / "Stalled.flv", earlier));
    }

    // During the conversion.
    const fs::path music = dir.folder("music");
    srv.stream("/long", clip("long.flv"));
    pageFor("/song", "Long", "/long");
    ToolRun run(tool({"--mp3", "--title", "Long", "--movies", movies.string(), "--music",
                      music.string(), srv.url("/song")}),
                dir.path());
    ASSERT_TRUE(run.waitForLine("Converting to mp3..."));
    std::vector<pid_t> ffmpeg;
    EndLeftovers end(ffmpeg);
    ASSERT_TRUE(waitUntil([&] {
        ffmpeg = childProcesses(run.pid(), "ffmpeg");
        return !ffmpeg.empty() && !listFolder(music.string()).empty();
    })) << "no conversion seen running";
    run.signal(SIGTERM);
    const ToolResult r = run.finish();
    EXPECT_EQ(r.status, 128 + SIGTERM) << "ended by signal " << r.signal;
    EXPECT_EQ(listFolder(music.string()), Names{});
    EXPECT_EQ(listFolder(movies.string()), (Names{"Long.flv", "Stalled.flv"}));
    for (const pid_t pid : ffmpeg)
        EXPECT_TRUE(processEnded(pid)) << "ffmpeg " << pid << " still runs";
}

TEST_F(GetHostileTest, PageRedirectsStayOnTheWeb) {
    ConnectionCounter ftp;
    srv.redirect("/watch", "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/");
    const fs::path movies = dir.folder("movies");
    // Without a title the page is fetched for its headline first.
    for (const bool titled : {true, false}) {
        SCOPED_TRACE(titled ? "titled" : "named after the headline");
        std::vector<std::string> args = {"--movies", movies.string(), srv.url("/watch")};
        if (titled)
            args.insert(args.begin(), {"--title", "Hop"});
        const ToolResult r = get(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.lines, (Lines{"Scraping URL...", "done", "Error: Could not make connection."}));
    }
    EXPECT_EQ(ftp.connections(), 0);
    EXPECT_EQ(listFolder(movies.string()), Names{});
}

TEST_F(GetHostileTest, OneEntryMapDownloadsAndEmptyMapFails) {
    const fs::path movies = dir.folder("movies");
    const std::string bytes = testBytes(30000, 8);
    srv.stream("/only", bytes);
    srv.watchPage("/one", "One", {{"5", srv.url("/only")}});
    ToolResult r = get({"--movies", movies.string(), srv.url("/one")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, savedAs("One"));
    EXPECT_TRUE(holds(movies / "One.flv", bytes));
    EXPECT_EQ(srv.hits("/only"), 1);

    srv.body("/none", watchPageHtmlRaw("None", ""));
    r = get({"--movies", movies.string(), srv.url("/none")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, (Lines{"Scraping URL...", "Initial response received!",
                              "Searching for download source...", "done",
                              "Error: Could not locate any movies to download."}));
    EXPECT_EQ(listFolder(movies.string()), Names{"One.flv"});
}

TEST_F(GetHostileTest, ExtensionFollowsTheMovieBytes) {
    const std::string mp4 = clip("clip.mp4");
    const std::string flv = clip("clip.flv");
    ASSERT_EQ(mp4.compare(4, 4, "ftyp"), 0);
    srv.stream("/mp4", mp4);
    srv.stream("/flv", flv);

    // Quality 2 would call any top stream .flv; the conversion must find it too.
    const fs::path two = dir.folder("two");
    const fs::path music = dir.folder("music");
    pageFor("/two", "Two", "/mp4");
    ToolResult r = get({"--quality", "2", "--mp3", "--title", "Clip", "--movies", two.string(),
                        "--music", music.string(), srv.url("/two")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, withHead({"setflv", "setmp4", "saved:Clip.mp4", "Download Complete!",
                                 "Converting to mp3...", "saved:Clip.mp3", "setmp3", "done",
                                 "Complete! Thank you for using Quillmoth."}));
    EXPECT_EQ(listFolder(two.string()), Names{"Clip.mp4"});
    EXPECT_TRUE(holds(two / "Clip.mp4", mp4));
    EXPECT_EQ(listFolder(music.string()), Names{"Clip.mp3"});

    // Quality 1 with four streams would call it .mp4.
    const fs::path four = dir.folder("four");
    srv.watchPage("/four", "Four",
                  {{"5", srv.url("/flv")},
                   {"18", srv.url("/flv")},
                   {"22", srv.url("/flv")},
                   {"37", srv.url("/flv")}});
    r = get({"--quality", "1", "--title", "Clip", "--movies", four.string(), srv.url("/four")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines,
              withHead({"setmp4", "setflv", "saved:Clip.flv", "Download Complete!", "done"}));
    EXPECT_EQ(listFolder(four.string()), Names{"Clip.flv"});
    EXPECT_TRUE(holds(four / "Clip.flv", flv));
}

TEST_F(GetHostileTest, TitlesMakeSafeFileNames) {
    const std::string bytes = testBytes(20000, 9);
    srv.stream("/movie", bytes);

    // Line breaks, a terminal escape and a C1 control in the headline.
    const fs::path headline = dir.folder("headline");
    pageFor("/watch",
            "Line\nTwo\r\nThree\x1b[31mRed\xc2\x9b"
            "0mEnd",
            "/movie");
    ToolResult r = get({"--movies", headline.string(), srv.url("/watch")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, savedAs("Line Two  Three [31mRed 0mEnd"));
    EXPECT_EQ(listFolder(headline.string()), Names{"Line Two  Three [31mRed 0mEnd.flv"});

    // 250 bytes: the name fits, but not with the room a "(1)" may need.
    // Three-byte characters from byte 100 on, so a cut may split one.
    std::string title(100, 'a');
    while (title.size() < 250)
        title += "\xe2\x82\xac";
    const fs::path longName = dir.folder("long");
    r = get({"--title", title, "--movies", longName.string(), srv.url("/watch")});
    EXPECT_EQ(r.status, 0) << r.err;
    const Names names = listFolder(longName.string());
    ASSERT_EQ(names.size(), 1u);
    const std::string& name = names.front();
    EXPECT_EQ(r.lines, withHead({"setflv", "saved:" + name, "Download Complete!", "done"}));
    ASSERT_GT(name.size(), 4u);
    ASSERT_EQ(name.substr(name.size() - 4), ".flv");
    const std::string stem = name.substr(0, name.size() - 4);
    EXPECT_EQ(title.rfind(stem, 0), 0u) << "not a prefix of the title: " << stem;
    EXPECT_GE(stem.size(), 200u);
    EXPECT_EQ((stem.size() - 100) % 3, 0u) << "cut inside a character";
    EXPECT_TRUE(holds(longName / name, bytes));
}

TEST_F(GetHostileTest, UnusableMovieFolderIsSaidOnce) {
    srv.stream("/movie", testBytes(1000, 10));
    pageFor("/watch", "Folder", "/movie");
    writeFile(dir / "file", "not a folder");
    std::vector<std::pair<std::string, fs::path>> folders = {{"missing", dir / "missing"},
                                                             {"not a folder", dir / "file"}};
    // root writes into any folder.
    if (geteuid() != 0) {
        const fs::path readOnly = dir.folder("read-only");
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
        folders.emplace_back("read-only", readOnly);
    }
    for (const auto& [name, folder] : folders) {
        SCOPED_TRACE(name);
        const ToolResult r =
            get({"--title", "Folder", "--movies", folder.string(), srv.url("/watch")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.lines,
                  withHead({"setflv", "done", "Error: Could not write to the movie folder."}));
    }

    // So does a failed transfer.
    const fs::path movies = dir.folder("movies");
    srv.error("/movie", 404);
    const ToolResult r = get({"--title", "Folder", "--movies", movies.string(), srv.url("/watch")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, kNotSaved);
    EXPECT_EQ(listFolder(movies.string()), Names{});
}

} // namespace

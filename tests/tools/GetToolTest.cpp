#include "media/ProcessRunner.h"
#include "support/FixtureServer.h"
#include "support/JobTexts.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testfiles::readFile;

class GetToolTest : public ::testing::Test {
protected:
    // Runs quillmoth-get in dir.
    ToolResult runTool(const std::vector<std::string>& args) {
        std::vector<std::string> all = {quillmothGetPath()};
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(all, dir.path());
    }

    FixtureServer srv;
    TempFolder dir;
};

TEST_F(GetToolTest, NamesTheFileAfterTheHeadline) {
    const std::string bytes = testBytes(300000);
    srv.watchPage("/watch", "My AC/DC Clip", {{"34", srv.url("/high")}, {"5", srv.url("/low")}});
    srv.stream("/low", bytes);

    const ToolResult r = runTool({srv.url("/watch")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines,
              withHead({"setflv", "saved:My AC DC Clip.flv", "Download Complete!", "done"}));
    EXPECT_EQ(readFile(dir / "My AC DC Clip.flv"), bytes);
    EXPECT_EQ(r.err, ""); // no progress line when stderr is no terminal
    EXPECT_EQ(srv.hits("/watch"), 2);
    EXPECT_EQ(srv.hits("/high"), 0);

    srv.body("/plain", "<p>fmt_url_map=1|" + srv.url("/s") + ",2|" + srv.url("/t") + "&amp;x</p>");
    srv.stream("/s", std::string("\x01tiny"));
    EXPECT_EQ(runTool({srv.url("/plain")}).status, 0);
    EXPECT_EQ(readFile(dir / "video.flv"), "\x01tiny");
}

TEST_F(GetToolTest, GivenTitleQualityAndFolders) {
    const std::string bytes = testBytes(5000, 7);
    srv.watchPage("/watch", "Ignored",
                  {{"5", srv.url("/a")},
                   {"18", srv.url("/b")},
                   {"22", srv.url("/c")},
                   {"37", srv.url("/best")}});
    srv.stream("/best", bytes, true);
    fs::create_directories(dir / "movies");

    const ToolResult r = runTool({"--quality", "1", "--title", "-odd $(title)",
                                  "--movies=" + (dir / "movies/").string(), srv.url("/watch")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines,
              withHead({"setmp4", "saved:-odd $(title).mp4", "Download Complete!", "done"}));
    EXPECT_EQ(readFile(dir / "movies" / "-odd $(title).mp4"), bytes);
    EXPECT_EQ(srv.hits("/watch"), 1);
}

TEST_F(GetToolTest, JobErrorsExitWithOne) {
    srv.body("/nomap", "<html><h1 id=\"watch-headline-title\"><b>T</b></h1></html>");
    ToolResult r = runTool({srv.url("/nomap")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines,
              (std::vector<std::string>{"Scraping URL...", "Initial response received!",
                                        "Searching for download source...", "done",
                                        "Error: Could not locate any movies to download."}));

    srv.watchPage("/broken", "B", {{"5", srv.url("/gone")}, {"6", srv.url("/gone")}});
    srv.error("/gone", 404);
    r = runTool({"--title", "B", srv.url("/broken")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, withHead({"setflv", "done", "Error: Could not save movie."}));

    // Nothing listens on the port of a server that is gone.
    int deadPort = 0;
    {
        FixtureServer gone;
        deadPort = gone.port();
    }
    r = runTool({"--title", "C", "http://127.0.0.1:" + std::to_string(deadPort) + "/watch"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"Scraping URL...", "done",
                                                 "Error: Could not make connection."}));
}

TEST_F(GetToolTest, ConvertsToMp3) {
    const fs::path clip = dir / "clip.flv";
    ProcessRunner make({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                        "sine=duration=1", "-f", "lavfi", "-i", "testsrc=duration=1:size=64x48",
                        "-shortest", "-y", clip.string()});
    ASSERT_EQ(make.run(), 0);
    srv.watchPage("/watch", "Song", {{"5", srv.url("/clip")}, {"6", srv.url("/clip")}});
    srv.stream("/clip", readFile(clip));
    fs::create_directories(dir / "music");

    // A limit far above the clip's size changes nothing but the path it takes.
    const ToolResult r = runTool(
        {"--mp3", "--limit-rate", "50M", "--music", (dir / "music").string(), srv.url("/watch")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, withHead({"setflv", "saved:Song.flv", "Download Complete!",
                                 "Converting to mp3...", "saved:Song.mp3", "setmp3", "done",
                                 "Complete! Thank you for using Quillmoth."}));
    EXPECT_GT(fs::file_size(dir / "music" / "Song.mp3"), 1000u);
}

// --list numbers the page's sources (streams too) as the job takes them and saves
// nothing; --source N saves the Nth; a number beyond them fails.
TEST_F(GetToolTest, ListsSourcesAndSavesTheOneAskedFor) {
    const std::string small = std::string("\0\0\0\x18"
                                          "ftypisom",
                                          12) +
                              testBytes(3000, 4);
    const std::string large = small + testBytes(9000, 5);
    srv.body("/page", "<title>Two</title><video><source src=\"/s.mp4\" type=\"video/mp4\" "
                      "size=\"360\"><source src=\"/l.mp4\" type=\"video/mp4\" size=\"720\">"
                      "<source src=\"/h.m3u8\" type=\"application/x-mpegurl\"></video>");
    srv.stream("/s.mp4", small);
    srv.stream("/l.mp4", large);

    ToolResult r = runTool({"--list", srv.url("/page")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, (std::vector<std::string>{"1\t360p MP4\t" + srv.url("/s.mp4"),
                                                 "2\t720p MP4\t" + srv.url("/l.mp4"),
                                                 "3\tHLS\t" + srv.url("/h.m3u8")}));
    EXPECT_TRUE(fs::is_empty(dir.path()));

    r = runTool({"--source", "2", srv.url("/page")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "Two.mp4"), large);
    EXPECT_EQ(srv.hits("/s.mp4"), 0);

    r = runTool({"--source", "9", "--title", "Nine", srv.url("/page")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines.back(), "Error: Could not locate any movies to download.");
    EXPECT_NE(r.err.find("no source 9"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "Nine.mp4"));

    // Then the subtitle tracks: kind, language, label and address.
    srv.body("/tracked", "<video src=\"/s.mp4\"><track kind=\"captions\" srclang=\"en\" "
                         "label=\"English\" src=\"/en.vtt\"><track src=\"/x.ttml\"></video>");
    r = runTool({"--list", srv.url("/tracked")});
    EXPECT_EQ(r.lines, (std::vector<std::string>{"1\tMP4\t" + srv.url("/s.mp4"),
                                                 "captions\ten\tEnglish\t" + srv.url("/en.vtt"),
                                                 "subtitles\t\t\t" + srv.url("/x.ttml")}));
    EXPECT_NE(r.err.find("not saved"), std::string::npos) << r.err;

    srv.body("/bare", "<p>nothing</p>");
    r = runTool({"--list", srv.url("/bare")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines,
              (std::vector<std::string>{"Error: Could not locate any movies to download."}));
}

// A page of several videos: --list shows each with its title, --all saves
// each under it (its own name, else the page's title and its number).
TEST_F(GetToolTest, ListsAndSavesEachVideoOfAPage) {
    const std::string mp4 = std::string("\0\0\0\x18"
                                        "ftypisom",
                                        12);
    const std::string webm = "\x1A\x45\xDF\xA3" + std::string(20, '\x01') + "webm";
    srv.body("/three", "<title>Three</title><video title=\"Opening\" src=\"/one.mp4\"></video>"
                       "<video><source src=\"/two-360.mp4\" size=\"360\"><source "
                       "src=\"/two-720.mp4\" size=\"720\"></video><video "
                       "src=\"/three.webm\"></video>");
    srv.stream("/one.mp4", mp4 + testBytes(3000, 1));
    srv.stream("/two-360.mp4", mp4 + testBytes(3000, 2));
    srv.stream("/two-720.mp4", mp4 + testBytes(6000, 3));
    srv.stream("/three.webm", webm + testBytes(3000, 4));

    ToolResult r = runTool({"--list", srv.url("/three")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, (std::vector<std::string>{
                           "video 1\tOpening", "1\tMP4\t" + srv.url("/one.mp4"),
                           "video 2\tThree (2)", "2\t360p MP4\t" + srv.url("/two-360.mp4"),
                           "3\t720p MP4\t" + srv.url("/two-720.mp4"), "video 3\tThree (3)",
                           "4\tWebM\t" + srv.url("/three.webm")}));

    r = runTool({"--all", "--quality", "1", srv.url("/three")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "Opening.mp4"), mp4 + testBytes(3000, 1));
    EXPECT_EQ(readFile(dir / "Three (2).mp4"), mp4 + testBytes(6000, 3));
    EXPECT_EQ(readFile(dir / "Three (3).webm"), webm + testBytes(3000, 4));
    EXPECT_EQ(srv.hits("/two-360.mp4"), 0);
    // A page of one video is saved as without --all.
    r = runTool({"--all", "--title", "Alone", srv.url("/one.mp4")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "Alone.mp4"), mp4 + testBytes(3000, 1));
    EXPECT_EQ(runTool({"--all", "--source", "2", srv.url("/three")}).status, 2);
}

TEST_F(GetToolTest, BadUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--quality", "0", "http://x/"},
        {"--quality", "12", "http://x/"},
        {"--frobnicate", "http://x/"},
        {"http://x/", "http://y/"},
        {"--title", "", "http://x/"},
        {"--music"},
        {"--limit-rate", "fast", "http://x/"},
        {"--limit-rate=1.5M", "http://x/"},
        {"--limit-rate"},
        {"--source", "0", "http://x/"},
        {"--source", "2x", "http://x/"},
        {"--subtitles", "", "http://x/"},
        {"--subtitles", "en;de", "http://x/"},
    };
    for (const auto& args : cases) {
        const ToolResult r = runTool(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(r.lines.empty()) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("Usage: quillmoth-get"), std::string::npos);
    }
    const ToolResult help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_EQ(help.lines.front().rfind("Usage: quillmoth-get", 0), 0u);
    EXPECT_NE(help.out.find("\n  --version "), std::string::npos);
    EXPECT_NE(help.out.find("\n  --limit-rate RATE\n"), std::string::npos);
    const ToolResult version = runTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillmoth-get " QUILLMOTH_VERSION "\n");
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(srv.hits("/"), 0);
}

} // namespace

namespace {

// What a browser would send, from the command line: the cookies of a
// cookies.txt (never printed), a Referer and a user agent; a direct link is
// saved as it is, named after its file.
TEST_F(GetToolTest, CookiesRefererUserAgentAndDirectLinks) {
    const std::string bytes = std::string("\0\0\0\x18"
                                          "ftypisom",
                                          12) +
                              testBytes(40000, 3);
    srv.get("/members/clip.mp4", [&](const httplib::Request& req, httplib::Response& res) {
        const bool allowed = req.get_header_value("Cookie") == "member=yes" &&
                             req.get_header_value("Referer") == "http://site.example/" &&
                             req.get_header_value("User-Agent") == "Browser/1.0";
        res.status = allowed ? 200 : 403;
        res.set_content(bytes, "video/mp4");
    });
    testfiles::writeFile(dir / "cookies.txt",
                         "# Netscape HTTP Cookie File\n\n#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\t"
                         "member\tyes\n");
    const ToolResult refused = runTool({srv.url("/members/clip.mp4")});
    EXPECT_EQ(refused.status, 1);
    // Another site's page is told by its origin alone.
    const ToolResult r =
        runTool({"--cookies", "cookies.txt", "--referer", "http://site.example/watch?token=t",
                 "--user-agent", "Browser/1.0", srv.url("/members/clip.mp4")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "clip.mp4"), bytes);
    for (const std::string& line : r.lines)
        EXPECT_EQ(line.find("member"), std::string::npos) << line;
    EXPECT_EQ(runTool({"--cookies", "missing.txt", srv.url("/x")}).status, 2);
}

} // namespace

#include "PageTitle.h"
#include "PercentDecoder.h"
#include "StreamMap.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "ToolRun.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testfiles::listFolder;
using testfiles::readFile;
using testfiles::writeFile;

struct Clip {
    std::string id;
    std::string title;
    bool flvOnly;
};

const std::vector<Clip> kClips = {
    {"demo", "Quillmoth Demo Clip", false},
    {"bars", "Thirty Seconds of Colour Bars", false},
    {"longplay", "Long Play, Two and a Half Minutes", false},
    {"cafe", "Café Ünïcode — 東京", false},
    {"oldflv", "Old Times, FLV Only", true},
};

// A port nobody listens on right now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

// One running quillmoth-site, its temporary folder (TMPDIR) a folder of its
// own so that what it leaves behind shows. Stopped as a user would stop it.
class Site {
public:
    explicit Site(std::vector<std::string> extra = {}) : port_(freePort()) {
        std::vector<std::string> args = {"env", "TMPDIR=" + tmp_.path().string(),
                                         quillmothSitePath(), "--port", std::to_string(port_)};
        args.insert(args.end(), extra.begin(), extra.end());
        run_ = std::make_unique<ToolRun>(args, tmp_.path());
        ready_ =
            run_->waitForLine("quillmoth-site on http://localhost:" + std::to_string(port_) + "/",
                              std::chrono::seconds(60));
    }

    bool ready() const { return ready_; }
    int port() const { return port_; }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

    httplib::Result get(const std::string& path, const httplib::Headers& headers = {}) const {
        return client().Get(path.c_str(), headers);
    }
    httplib::Result head(const std::string& path) const { return client().Head(path.c_str()); }

    // SIGTERM; the site's exit status.
    int stop() {
        run_->signal(SIGTERM);
        return run_->finish().status;
    }
    // What is left in its temporary folder.
    std::vector<std::string> leftovers() const { return listFolder(tmp_.path()); }

private:
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(120, 0); // a long clip is made on its first request
        return c;
    }

    TempFolder tmp_;
    int port_;
    std::unique_ptr<ToolRun> run_;
    bool ready_ = false;
};

// What the program makes of a watch page: its title and stream map entries.
struct Parsed {
    std::string title;
    std::vector<std::string> streams;
};

Parsed parse(const std::string& page) {
    Parsed parsed;
    parsed.title = PageTitle::find(page).value_or("(no title found)");
    std::string decoded = page;
    percentDecode(decoded);
    StreamMap::inPage(decoded).forEach(
        [&](std::string_view entry) { parsed.streams.emplace_back(entry); });
    std::stable_sort(parsed.streams.begin(), parsed.streams.end(), StreamMap::before);
    return parsed;
}

std::vector<std::string> expectedStreams(const std::string& origin, const Clip& clip) {
    std::vector<std::string> keys = {"5"};
    if (!clip.flvOnly)
        keys.insert(keys.end(), {"18", "22", "34"});
    std::vector<std::string> out;
    for (const auto& key : keys)
        out.push_back(key + "|" + origin + "/stream/" + clip.id + "/" + key +
                      (key == "5" ? ".flv" : ".mp4"));
    return out;
}

// The codec names ffprobe reports for file, sorted.
std::vector<std::string> codecs(const fs::path& file) {
    ToolResult r = runProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_name",
                               "-of", "default=nw=1:nk=1", file.string()},
                              file.parent_path());
    EXPECT_EQ(r.status, 0) << r.err;
    std::sort(r.lines.begin(), r.lines.end());
    return r.lines;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class SiteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { site = std::make_unique<Site>(); }
    static void TearDownTestSuite() {
        // A stopped site exits cleanly and takes its made clips with it.
        EXPECT_EQ(site->stop(), 0);
        EXPECT_EQ(site->leftovers(), std::vector<std::string>{});
        site.reset();
    }
    void SetUp() override { ASSERT_TRUE(site->ready()) << "quillmoth-site did not start"; }

    // The body of a 200 answer, "" (and a failure) otherwise.
    static std::string body(const std::string& path) {
        auto res = site->get(path);
        EXPECT_TRUE(res) << path;
        if (!res)
            return {};
        EXPECT_EQ(res->status, 200) << path;
        return res->status == 200 ? res->body : std::string();
    }

    static std::unique_ptr<Site> site;
    TempFolder dir;
};

std::unique_ptr<Site> SiteTest::site;

TEST_F(SiteTest, EveryClipHasAWatchPageTheProgramReads) {
    const std::string search = body("/search.php");
    for (const Clip& clip : kClips) {
        SCOPED_TRACE(clip.id);
        EXPECT_TRUE(contains(search, site->origin() + "/watch?v=" + clip.id + "\""));

        auto res = site->get("/watch?v=" + clip.id);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
        const Parsed parsed = parse(res->body);
        EXPECT_EQ(parsed.title, clip.title);
        EXPECT_EQ(parsed.streams, expectedStreams(site->origin(), clip));
        // The title reaches the page as its UTF-8 bytes, in the attribute and as text.
        EXPECT_TRUE(contains(res->body, "title=\"" + clip.title + "\">" + clip.title + "</span>"));
        // Its picture, for the MP3's front cover.
        const std::string cover = "/cover/" + clip.id + ".bmp";
        EXPECT_TRUE(
            contains(res->body, "property=\"og:image\" content=\"" + site->origin() + cover));
        auto picture = site->get(cover);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->get_header_value("Content-Type"), "image/bmp");
        EXPECT_EQ(picture->body.substr(0, 2), "BM");

        if (clip.flvOnly) {
            EXPECT_FALSE(contains(res->body, "<video"));
            EXPECT_TRUE(contains(res->body, "cannot play"));
        } else {
            EXPECT_TRUE(contains(res->body, "<video controls"));
            EXPECT_TRUE(contains(res->body,
                                 "src=\"" + site->origin() + "/stream/" + clip.id + "/18.mp4\""));
        }
    }
    // Searching narrows the list.
    const std::string found = body("/search.php?q=CAF");
    EXPECT_TRUE(contains(found, "/watch?v=cafe\""));
    EXPECT_FALSE(contains(found, "/watch?v=demo\""));
}

TEST_F(SiteTest, StreamsAreFlvAndMp4WithLengthHeadAndRange) {
    auto flv = site->get("/stream/oldflv/5.flv");
    ASSERT_TRUE(flv);
    ASSERT_EQ(flv->status, 200);
    EXPECT_EQ(flv->get_header_value("Content-Type"), "video/x-flv");
    EXPECT_EQ(flv->get_header_value("Content-Length"), std::to_string(flv->body.size()));
    EXPECT_EQ(flv->body.substr(0, 3), "FLV");
    writeFile(dir.file("old.flv"), flv->body);
    EXPECT_EQ(codecs(dir / "old.flv"), (std::vector<std::string>{"flv1", "mp3"}));

    auto mp4 = site->get("/stream/demo/22.mp4");
    ASSERT_TRUE(mp4);
    ASSERT_EQ(mp4->status, 200);
    EXPECT_EQ(mp4->get_header_value("Content-Type"), "video/mp4");
    writeFile(dir.file("demo.mp4"), mp4->body);
    EXPECT_EQ(codecs(dir / "demo.mp4"), (std::vector<std::string>{"aac", "h264"}));
    // +faststart: the index comes before the media, so a player starts at once.
    EXPECT_LT(mp4->body.find("moov"), mp4->body.find("mdat"));

    auto head = site->head("/stream/demo/22.mp4");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(mp4->body.size()));
    EXPECT_EQ(head->body, "");

    auto part = site->get("/stream/demo/22.mp4", {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, mp4->body.substr(100, 100));
    EXPECT_EQ(part->get_header_value("Content-Range"),
              "bytes 100-199/" + std::to_string(mp4->body.size()));

    // A strong tag: a range continues the same version only.
    const std::string tag = mp4->get_header_value("ETag");
    ASSERT_EQ(tag.front(), '"');
    auto same = site->get("/stream/demo/22.mp4", {{"Range", "bytes=100-"}, {"If-Range", tag}});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->status, 206);
    EXPECT_EQ(same->body, mp4->body.substr(100));
    auto other = site->get("/stream/demo/22.mp4", {{"Range", "bytes=100-"}, {"If-Range", "\"x\""}});
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 200);
    EXPECT_EQ(other->body, mp4->body);

    // Streams a clip does not offer, and clips that do not exist.
    for (const char* path : {"/stream/oldflv/18.mp4", "/stream/demo/5.mp4", "/stream/nope/5.flv",
                             "/watch?v=nope", "/watch?v="}) {
        auto res = site->get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
        EXPECT_TRUE(contains(res->body, "<h1>Not found</h1>")) << path;
    }
}

TEST_F(SiteTest, WhatAVisitorSendsIsEscaped) {
    auto res = site->get("/watch?v=%3Cscript%3Ealert(1)%3C%2Fscript%3E%22");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    EXPECT_TRUE(contains(res->body, "&lt;script&gt;alert(1)&lt;/script&gt;&quot;"));
    EXPECT_FALSE(contains(res->body, "<script>"));

    const std::string search = body("/search.php?q=%22%3E%3Cimg%20src%3Dx%20onerror%3Dalert(1)%3E");
    EXPECT_TRUE(contains(search, "value=\"&quot;&gt;&lt;img src=x onerror=alert(1)&gt;\""));
    EXPECT_FALSE(contains(search, "<img"));

    // A forged Host header never becomes the origin of the page's links.
    res = site->get("/watch?v=demo", {{"Host", "x\"><script>alert(1)</script>"}});
    ASSERT_TRUE(res);
    EXPECT_FALSE(contains(res->body, "<script>"));
    EXPECT_TRUE(contains(res->body, "\"http://localhost:" + std::to_string(site->port()) +
                                        "/stream/demo/18.mp4\""));
}

TEST_F(SiteTest, ProgramSavesTheClipUnderItsTitle) {
    const ToolResult r =
        runProgram({quillmothGetPath(), "--mp3", site->origin() + "/watch?v=cafe"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("Café Ünïcode — 東京.flv")).substr(0, 3), "FLV");
    // The sound, and the page's picture as its front cover.
    EXPECT_EQ(codecs(dir / "Café Ünïcode — 東京.mp3"), (std::vector<std::string>{"mjpeg", "mp3"}));
}

TEST(SiteGivenStream, ServesTheGivenFileForEveryStream) {
    TempFolder dir;
    const std::string bytes = "FLV\x01 not really a movie";
    writeFile(dir.file("given.flv"), bytes);
    Site site({"--stream", dir.file("given.flv")});
    ASSERT_TRUE(site.ready());
    for (const Clip& clip : kClips) {
        auto page = site.get("/watch?v=" + clip.id);
        ASSERT_TRUE(page);
        for (const std::string& entry : parse(page->body).streams) {
            const std::string url = entry.substr(entry.find('|') + 1);
            auto res = site.get(url.substr(site.origin().size()));
            ASSERT_TRUE(res) << url;
            EXPECT_EQ(res->status, 200) << url;
            EXPECT_EQ(res->body, bytes) << url;
            // The type follows the file, not the address.
            EXPECT_EQ(res->get_header_value("Content-Type"), "video/x-flv") << url;
        }
    }
    // A second copy on the same port is refused, never sharing it.
    const ToolResult second =
        runProgram({quillmothSitePath(), "--port", std::to_string(site.port()), "--stream",
                    dir.file("given.flv")},
                   dir.path());
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("is taken"), std::string::npos) << second.err;
    EXPECT_EQ(site.stop(), 0);
    EXPECT_EQ(site.leftovers(), std::vector<std::string>{});
}

} // namespace

#include "base/CharacterReference.h"
#include "page/PageTitle.h"
#include "page/PercentDecoder.h"
#include "page/RelativeAddress.h"
#include "page/StreamMap.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
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

using Attributes = std::map<std::string, std::string>;

// The attributes of every <name ...> tag in html, values decoded. Reads the
// site's own markup only: every value in double quotes.
std::vector<Attributes> tagsNamed(const std::string& html, const std::string& name) {
    std::vector<Attributes> found;
    const std::string open = "<" + name;
    for (auto at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
        std::size_t i = at + open.size();
        if (html[i] != ' ' && html[i] != '>')
            continue;
        Attributes attributes;
        while (i < html.size() && html[i] != '>') {
            if (html[i] == ' ') {
                ++i;
                continue;
            }
            const std::size_t end = html.find_first_of("= >", i);
            if (end == std::string::npos)
                break;
            std::string& value = attributes[html.substr(i, end - i)];
            i = end;
            if (html.compare(i, 2, "=\"") != 0)
                continue;
            const std::size_t close = html.find('"', i + 2);
            for (std::size_t j = i + 2; j < close;) {
                const CharacterReference ref = CharacterReference::read(html.substr(j, close - j));
                value += ref.length ? ref.utf8 : html.substr(j, 1);
                j += std::max<std::size_t>(ref.length, 1);
            }
            i = close + 1;
        }
        found.push_back(std::move(attributes));
    }
    return found;
}

// Every <meta property content> of html.
std::map<std::string, std::string> metaProperties(const std::string& html) {
    std::map<std::string, std::string> properties;
    for (Attributes& meta : tagsNamed(html, "meta"))
        if (meta.count("property"))
            properties[meta["property"]] = meta["content"];
    return properties;
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

    // The answer to an address on the site, with headers.
    static httplib::Result fetch(const std::string& url, const httplib::Headers& headers = {}) {
        EXPECT_EQ(url.rfind(site->origin() + "/", 0), 0u) << url;
        return site->get(url.substr(std::min(url.size(), site->origin().size())), headers);
    }
    static int statusOf(const std::string& url, const httplib::Headers& headers = {}) {
        auto res = fetch(url, headers);
        return res ? res->status : -1;
    }
    // The frame height of the MP4 at url, 0 (and a failure) when it is none.
    int mp4Height(const std::string& url, const httplib::Headers& headers = {}) {
        SCOPED_TRACE(url);
        auto res = fetch(url, headers);
        if (!res || res->status != 200 || res->get_header_value("Content-Type") != "video/mp4") {
            ADD_FAILURE() << (res ? res->status : -1);
            return 0;
        }
        writeFile(dir.file("clip.mp4"), res->body);
        const ToolResult r =
            runProgram({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
                        "stream=height", "-of", "csv=p=0", dir.file("clip.mp4")},
                       dir.path());
        EXPECT_EQ(r.status, 0) << r.err;
        return r.lines.empty() ? 0 : std::atoi(r.lines.front().c_str());
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

// The Home pane's welcome names the version About names, in German when
// asked first, with the window's German names of its tabs.
TEST_F(SiteTest, WelcomeNamesTheVersionInTheVisitorsLanguage) {
    const std::pair<const char*, bool> visitors[] = {
        {"", false},           {"en-US,en;q=0.9,de;q=0.8", false},
        {"fr", false},         {"de;q=0,en", false},
        {"deu", false},        {"de-DE,en;q=0.8", true},
        {"fr,de;q=0.5", true}, {"de;q=0.5,en;q=0.5", true}};
    for (const auto& [asked, german] : visitors) {
        auto res = site->get("/splash.php", {{"Accept-Language", asked}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->get_header_value("Content-Language"), german ? "de" : "en") << asked;
        for (const char* words : {"Willkommen bei Quillmoth " QUILLMOTH_VERSION "<", "<b>Suche</b>",
                                  "<b>Übertragungen</b>", "<b>Meine Mediathek</b>"})
            EXPECT_EQ(contains(res->body, words), german) << asked;
    }
    EXPECT_TRUE(contains(body("/splash.php"), "Welcome to Quillmoth " QUILLMOTH_VERSION "<"));
}

TEST_F(SiteTest, ProgramSavesTheClipUnderItsTitle) {
    const ToolResult r =
        runProgram({quillmothGetPath(), "--mp3", site->origin() + "/watch?v=cafe"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("Café Ünïcode — 東京.flv")).substr(0, 3), "FLV");
    // The sound, and the page's picture as its front cover.
    EXPECT_EQ(codecs(dir / "Café Ünïcode — 東京.mp3"), (std::vector<std::string>{"mjpeg", "mp3"}));
}

TEST_F(SiteTest, TodaysPageFormsEachLeadToAWorkingClip) {
    const std::string o = site->origin();
    const std::string search = body("/search.php");
    const std::string splash = body("/splash.php");
    for (const char* path : {"/watch/video?v=demo", "/watch/og?v=bars", "/watch/jsonld?v=cafe",
                             "/clip/demo.mp4", "/watch/cookie?v=cafe", "/watch/referer?v=bars"}) {
        EXPECT_TRUE(contains(search, "href=\"" + o + path + "\"")) << path;
        EXPECT_TRUE(contains(splash, "href=\"" + o + path + "\"")) << path;
        // Only the legacy pages carry a stream map, which a reader takes first.
        if (contains(path, "/watch/")) {
            EXPECT_TRUE(parse(body(path)).streams.empty()) << path;
        }
    }

    // <video> with two sizes, addressed under a <base href> that matters.
    const std::string page = o + "/watch/video?v=demo";
    const std::string video = body("/watch/video?v=demo");
    const auto bases = tagsNamed(video, "base");
    ASSERT_EQ(bases.size(), 1u);
    ASSERT_EQ(bases[0].count("href"), 1u);
    const std::string base = resolveAddress(page, bases[0].at("href"));
    auto players = tagsNamed(video, "video");
    ASSERT_EQ(players.size(), 1u);
    EXPECT_EQ(players[0]["width"] + "x" + players[0]["height"], "640x360");
    std::vector<int> heights;
    for (Attributes& source : tagsNamed(video, "source")) {
        EXPECT_EQ(source["type"], "video/mp4");
        EXPECT_EQ(source["data-quality"], source["size"] + "p");
        heights.push_back(mp4Height(resolveAddress(base, source["src"])));
        EXPECT_EQ(std::to_string(heights.back()), source["size"]);
        EXPECT_EQ(statusOf(resolveAddress(page, source["src"])), 404);
    }
    EXPECT_EQ(heights, (std::vector<int>{360, 720}));

    // Open Graph only.
    const std::string ogPage = body("/watch/og?v=bars");
    EXPECT_TRUE(tagsNamed(ogPage, "video").empty());
    auto og = metaProperties(ogPage);
    EXPECT_EQ(og["og:title"], "Thirty Seconds of Colour Bars");
    EXPECT_EQ(og["og:video:type"], "video/mp4");
    EXPECT_EQ(og["og:video:width"] + "x" + og["og:video:height"], "640x360");
    EXPECT_EQ(og["og:video:url"], og["og:video"]);
    EXPECT_EQ(og["og:video:secure_url"], og["og:video"]);
    EXPECT_EQ(mp4Height(og["og:video"]), 360);

    // JSON-LD only, its VideoObject inside an @graph.
    const std::string ldPage = body("/watch/jsonld?v=cafe");
    EXPECT_TRUE(tagsNamed(ldPage, "video").empty());
    EXPECT_EQ(metaProperties(ldPage).count("og:video"), 0u);
    const std::string open = "<script type=\"application/ld+json\">";
    const auto at = ldPage.find(open);
    ASSERT_NE(at, std::string::npos);
    const auto from = at + open.size();
    const auto ld =
        nlohmann::json::parse(ldPage.substr(from, ldPage.find("</script>", from) - from));
    const auto& graph = ld.at("@graph");
    ASSERT_EQ(graph.size(), 2u);
    const auto object = std::find_if(graph.begin(), graph.end(), [](const auto& node) {
        return node.at("@type") == "VideoObject";
    });
    ASSERT_NE(object, graph.end());
    EXPECT_EQ(object->at("name"), "Café Ünïcode — 東京");
    EXPECT_EQ(mp4Height(object->at("contentUrl")), 360);
    auto thumbnail = fetch(object->at("thumbnailUrl"));
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->get_header_value("Content-Type"), "image/bmp");

    // A direct link: the media itself, with its length, tag and ranges.
    auto direct = site->head("/clip/demo.mp4");
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->get_header_value("Content-Type"), "video/mp4");
    EXPECT_NE(direct->get_header_value("Content-Length"), "");
    auto part = site->get("/clip/demo.mp4", {{"Range", "bytes=4-11"},
                                             {"If-Range", direct->get_header_value("ETag")}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, "ftypisom");
    EXPECT_EQ(mp4Height(o + "/clip/demo.mp4"), 360);

    // The cookie gate: only a value a page view handed out opens it.
    auto cookiePage = site->get("/watch/cookie?v=cafe");
    ASSERT_TRUE(cookiePage);
    const std::string setCookie = cookiePage->get_header_value("Set-Cookie");
    ASSERT_EQ(setCookie.rfind("quillmoth_demo=", 0), 0u) << setCookie;
    ASSERT_EQ(setCookie.substr(setCookie.size() - 8), "; Path=/");
    const std::string value = setCookie.substr(15, setCookie.size() - 23);
    EXPECT_GE(value.size(), 16u);
    EXPECT_NE(site->get("/watch/cookie?v=cafe")->get_header_value("Set-Cookie"), setCookie);
    const std::string locked = tagsNamed(cookiePage->body, "video").at(0)["src"];
    EXPECT_EQ(statusOf(locked), 403);
    EXPECT_EQ(statusOf(locked, {{"Cookie", "quillmoth_demo=" + value + "x"}}), 403);
    EXPECT_EQ(mp4Height(locked, {{"Cookie", "seen=1; quillmoth_demo=" + value}}), 360);

    // The Referer gate: its own page and nothing else.
    const std::string refererPage = o + "/watch/referer?v=bars";
    const std::string held = tagsNamed(body("/watch/referer?v=bars"), "video").at(0)["src"];
    EXPECT_EQ(statusOf(held), 403);
    EXPECT_EQ(statusOf(held, {{"Referer", o + "/watch/referer?v=demo"}}), 403);
    EXPECT_EQ(statusOf(held, {{"Referer", o + "/"}}), 403);
    EXPECT_EQ(mp4Height(held, {{"Referer", refererPage}}), 360);
}

TEST_F(SiteTest, HlsAndDashClipsAreManifestsOfSegmentsOnTheSite) {
    const std::string o = site->origin();
    const std::string search = body("/search.php");
    const std::string splash = body("/splash.php");
    for (const char* path : {"/watch/hls?v=demo", "/watch/dash?v=demo"}) {
        EXPECT_TRUE(contains(search, "href=\"" + o + path + "\"")) << path;
        EXPECT_TRUE(contains(splash, "href=\"" + o + path + "\"")) << path;
        EXPECT_TRUE(contains(body(path), "<h1>Quillmoth Demo Clip</h1>")) << path;
    }
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
            end = std::min(text.find('\n', at), text.size());
            out.push_back(text.substr(at, end - at));
        }
        return out;
    };
    // What ffprobe reads over the site: the length and the codecs, sorted,
    // each once.
    auto probe = [&](const std::string& url) {
        ToolResult r =
            runProgram({"ffprobe", "-v", "error", "-show_entries",
                        "format=duration:stream=codec_name", "-of", "default=nw=1:nk=1", url},
                       dir.path());
        EXPECT_EQ(r.status, 0) << r.err;
        std::sort(r.lines.begin(), r.lines.end());
        r.lines.erase(std::unique(r.lines.begin(), r.lines.end()), r.lines.end());
        return r.lines;
    };
    auto served = [&](const std::string& url, const std::string& type) {
        auto res = fetch(url);
        EXPECT_TRUE(res && res->status == 200) << url;
        EXPECT_EQ(res ? res->get_header_value("Content-Type") : "", type) << url;
        return res ? res->body : std::string();
    };

    // HLS: a master playlist of two variants, each a finished list of
    // MPEG-TS segments.
    const std::string hlsPage = body("/watch/hls?v=demo");
    const auto hlsSources = tagsNamed(hlsPage, "source");
    ASSERT_EQ(hlsSources.size(), 1u);
    EXPECT_EQ(hlsSources[0].at("type"), "application/x-mpegURL");
    const std::string master = hlsSources[0].at("src");
    EXPECT_EQ(metaProperties(hlsPage)["og:video"], master);
    const auto masterLines = lines(served(master, "application/vnd.apple.mpegurl"));
    std::vector<std::string> variants;
    for (std::size_t i = 0; i + 1 < masterLines.size(); ++i)
        if (masterLines[i].rfind("#EXT-X-STREAM-INF:", 0) == 0)
            variants.push_back(resolveAddress(master, masterLines[i + 1]));
    ASSERT_EQ(variants.size(), 2u);
    for (const std::string& variant : variants) {
        const auto playlist = lines(served(variant, "application/vnd.apple.mpegurl"));
        EXPECT_NE(std::find(playlist.begin(), playlist.end(), "#EXT-X-ENDLIST"), playlist.end());
        int segments = 0;
        for (const std::string& line : playlist)
            if (!line.empty() && line[0] != '#') {
                ++segments;
                EXPECT_EQ(served(resolveAddress(variant, line), "video/mp2t").substr(0, 1), "G");
            }
        EXPECT_EQ(segments, 2) << variant; // 3 s in 2 s segments
    }
    EXPECT_EQ(probe(master), (std::vector<std::string>{"3.000000", "aac", "h264"}));

    // DASH: a static MPD of video and audio.
    const auto dashSources = tagsNamed(body("/watch/dash?v=demo"), "source");
    ASSERT_EQ(dashSources.size(), 1u);
    EXPECT_EQ(dashSources[0].at("type"), "application/dash+xml");
    const std::string mpd = served(dashSources[0].at("src"), "application/dash+xml");
    EXPECT_TRUE(contains(mpd, "type=\"static\"") && contains(mpd, "<SegmentTemplate"));
    EXPECT_EQ(probe(dashSources[0].at("src")),
              (std::vector<std::string>{"3.000000", "aac", "h264"}));

    // Only the names ffmpeg made, and only for the packaged clip.
    for (const char* path : {"/hls/demo/..%2F..%2Fetc%2Fpasswd", "/hls/demo/manifest.mpd",
                             "/dash/demo/360.m3u8", "/hls/bars/master.m3u8", "/watch/dash?v=bars"})
        EXPECT_EQ(statusOf(o + path), 404) << path;
}

TEST_F(SiteTest, ScriptBuiltPagesNameNoVideoUntilTheirScriptsRun) {
    const std::string o = site->origin();
    const std::string search = body("/search.php");
    const std::string splash = body("/splash.php");
    for (const char* path : {"/watch/script?v=demo", "/watch/blob?v=demo"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(contains(search, "href=\"" + o + path + "\""));
        EXPECT_TRUE(contains(splash, "href=\"" + o + path + "\""));
        const std::string page = body(path);
        EXPECT_TRUE(contains(page, "<h1>Quillmoth Demo Clip</h1>"));
        EXPECT_FALSE(contains(page, "<video") || contains(page, "<source"));
        EXPECT_EQ(metaProperties(page).count("og:video"), 0u);
        EXPECT_FALSE(contains(page, "application/ld+json") || contains(page, ".mp4"));
        EXPECT_TRUE(parse(page).streams.empty());
    }

    // The script page's JSON names the clip.
    auto json = site->get("/api/clip/demo.json");
    ASSERT_TRUE(json);
    EXPECT_EQ(json->get_header_value("Content-Type"), "application/json");
    const auto clip = nlohmann::json::parse(json->body);
    EXPECT_EQ(clip.at("title"), "Quillmoth Demo Clip");
    EXPECT_EQ(clip.at("type"), "video/mp4");
    EXPECT_EQ(mp4Height(o + clip.at("src").get<std::string>()), 360);
    EXPECT_TRUE(contains(body("/watch/script?v=demo"), "fetch('/api/clip/demo.json')"));

    // The Media Source page names the playlist in its fetch() only.
    const std::string blob = body("/watch/blob?v=demo");
    const auto fetchAt = blob.find("fetch('/hls/demo/master.m3u8')");
    EXPECT_NE(fetchAt, std::string::npos);
    EXPECT_EQ(blob.find("master.m3u8"), fetchAt + 17);
    EXPECT_EQ(blob.find("master.m3u8", fetchAt + 18), std::string::npos);
    auto webm = site->get("/hls/demo/360.webm");
    ASSERT_TRUE(webm);
    EXPECT_EQ(webm->status, 200);
    EXPECT_EQ(webm->get_header_value("Content-Type"), "video/webm");
    writeFile(dir.file("demo.webm"), webm->body);
    EXPECT_EQ(codecs(dir / "demo.webm"), (std::vector<std::string>{"vorbis", "vp8"}));

    for (const char* path : {"/watch/blob?v=bars", "/watch/script?v=oldflv",
                             "/api/clip/oldflv.json", "/hls/bars/360.webm"})
        EXPECT_EQ(statusOf(o + path), 404) << path;
}

// Pages as players write them, each linked for a new user to try offline,
// and what the program makes of them.
TEST_F(SiteTest, PagesAsPlayersWriteThemAreLinkedAndRead) {
    const std::string o = site->origin();
    const std::string search = body("/search.php");
    const std::string splash = body("/splash.php");
    for (const char* path : {"/watch/lazy?v=bars", "/watch/three?v=demo", "/watch/tracks?v=demo",
                             "/watch/protected?v=demo", "/watch/about?v=longplay"}) {
        EXPECT_TRUE(contains(search, "href=\"" + o + path + "\"")) << path;
        EXPECT_TRUE(contains(splash, "href=\"" + o + path + "\"")) << path;
    }
    const auto get = [&](const std::vector<std::string>& args) {
        std::vector<std::string> all = {quillmothGetPath()};
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(all, dir.path());
    };

    // The address only its script fills in.
    const std::string lazy = body("/watch/lazy?v=bars");
    const auto lazyPlayers = tagsNamed(lazy, "video");
    ASSERT_EQ(lazyPlayers.size(), 1u);
    EXPECT_EQ(lazyPlayers[0].at("src"), "");
    EXPECT_EQ(mp4Height(lazyPlayers[0].at("data-src")), 360);
    EXPECT_TRUE(contains(lazy, "v.src=v.dataset.src"));

    // Three videos, two named; each its own clip.
    const auto three = tagsNamed(body("/watch/three?v=demo"), "video");
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0].at("title"), "Thirty Seconds of Colour Bars");
    EXPECT_EQ(three[2].count("title"), 0u);
    EXPECT_NE(three[0].at("src"), three[1].at("src"));
    EXPECT_EQ(three[2].at("src"), o + "/media/demo/360.mp4");
    ToolResult r = get({"--list", o + "/watch/three?v=demo"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 6u);
    EXPECT_EQ(r.lines[0], "video 1\tThirty Seconds of Colour Bars");
    EXPECT_EQ(r.lines[2], "video 2\tCafé Ünïcode — 東京");
    EXPECT_EQ(r.lines[4].rfind("video 3\tQuillmoth Demo Clip", 0), 0u) << r.lines[4];
    EXPECT_EQ(r.lines[4].substr(r.lines[4].size() - 4), " (3)");

    // Subtitles and captions, each a WebVTT file of the site.
    const auto tracks = tagsNamed(body("/watch/tracks?v=demo"), "track");
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].at("kind") + tracks[0].at("srclang"), "subtitlesen");
    EXPECT_EQ(tracks[1].at("kind") + tracks[1].at("srclang"), "captionsde");
    for (const Attributes& track : tracks) {
        auto vtt = fetch(track.at("src"));
        ASSERT_TRUE(vtt);
        EXPECT_EQ(vtt->status, 200);
        EXPECT_EQ(vtt->get_header_value("Content-Type"), "text/vtt");
        EXPECT_EQ(vtt->body.rfind("WEBVTT\n", 0), 0u);
        EXPECT_TRUE(contains(vtt->body, "Quillmoth Demo Clip"));
    }

    // Protected: said so, and nothing saved.
    const std::string locked = body("/watch/protected?v=demo");
    EXPECT_TRUE(contains(locked, "requestMediaKeySystemAccess"));
    auto playlist = fetch(tagsNamed(locked, "source").at(0).at("src"));
    ASSERT_TRUE(playlist);
    EXPECT_TRUE(contains(playlist->body, "#EXT-X-KEY:METHOD=SAMPLE-AES"));
    r = get({o + "/watch/protected?v=demo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines.back(), "Error: This video is protected and cannot be saved.");

    // No video at all.
    const std::string about = body("/watch/about?v=longplay");
    EXPECT_FALSE(contains(about, "<video") || contains(about, "<audio") ||
                 contains(about, "<source"));
    r = get({"--list", o + "/watch/about?v=longplay"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines,
              (std::vector<std::string>{"Error: Could not locate any movies to download."}));
    // Beside the clip looked at above, nothing was saved.
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"clip.mp4"});
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

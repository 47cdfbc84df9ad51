#include "jobs/StreamDownload.h"
#include "JobRecorder.h"
#include "base/CancelToken.h"
#include "files/StagedFile.h"
#include "jobs/DownloadJob.h"
#include "jobs/StreamPlan.h"
#include "media/MediaProbe.h"
#include "page/HlsPlaylist.h"
#include "stream/SegmentQueue.h"
#include "support/FixtureServer.h"
#include "support/PieceRoute.h"
#include "support/ScopedPath.h"
#include "support/StreamFixture.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;
using Fault = StreamFixture::Fault;

// A port nothing listens on now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

// What the step says for a file of type that ends with tail.
Texts saying(const std::string& type, const Texts& tail) {
    Texts all = {"connecting", "downloading", "set" + type};
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

// A 3-second clip (picture and sound, 1-second segments) served as HLS and
// DASH by StreamFixture, saved by the movie step of a stream.
class StreamDownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clip = std::make_unique<TempFolder>();
        StreamFixture::makeClip(clip->path().string());
    }
    static void TearDownTestSuite() { clip.reset(); }

    // The stream at url read as a job reads it.
    TrackPlan plan(const std::string& url, StreamManifest::Kind kind, int quality = 1) {
        TrackPlan tracks;
        options.quality = quality;
        EXPECT_EQ(StreamPlan::make(kind, fetch(url).body, url, options, nullptr, tracks, cookies),
                  Reason::None);
        return tracks;
    }

    // Saves tracks as "Clip"; what the step said. The last resume state it
    // reported is in resumed.
    Texts save(const TrackPlan& tracks, std::shared_ptr<CancelToken> cancel = {}) {
        const int id = JobRecorder::nextId();
        const JobReporter reporter(
            id,
            [this](const JobEvent& event) {
                JobRecorder::record(event);
                std::lock_guard lock(mutex);
                if (event.kind == JobEvent::Kind::Resumable)
                    resumed = event.resume;
            },
            std::move(cancel));
        StreamDownload download(options, reporter, "Clip", tracks.soundOnly ? ".m4a" : ".mp4");
        const bool saved = download.save(tracks, cookies);
        const Texts said = JobRecorder::statusesOf(id);
        EXPECT_EQ(saved, said.back() == "downloaded");
        last = JobRecorder::progressOf(id);
        return said;
    }

    MediaProbe::Info probe(const std::string& name) {
        return MediaProbe::probe(folder.file(name)).info;
    }

    // Requests for path, ranged or not.
    int asked(const StreamFixture& streams, const std::string& path) const {
        const auto served = streams.served();
        return static_cast<int>(std::count_if(served.begin(), served.end(), [&](const auto& s) {
            return s == path || s.starts_with(path + " ");
        }));
    }

    int times(const StreamFixture& streams, const std::string& entry) const {
        const auto served = streams.served();
        return static_cast<int>(std::count(served.begin(), served.end(), entry));
    }

    static inline std::unique_ptr<TempFolder> clip;
    FixtureServer srv;
    TempFolder folder;
    JobOptions options = [this] {
        JobOptions o;
        o.movieFolder = folder.path().string();
        o.stallSeconds = 5;
        o.connections = 4;
        return o;
    }();
    std::vector<std::string> cookies;
    std::mutex mutex;
    ResumeState resumed;
    std::vector<std::pair<double, double>> last;
};

TEST_F(StreamDownloadTest, HlsAndDashAreSavedAsOnePlayableFileUnderAFreeName) {
    const StreamFixture streams(srv, clip->path().string(), 2);
    options.language = "en";
    const TrackPlan hls = plan(streams.master(), StreamManifest::Kind::Hls);
    ASSERT_EQ(hls.tracks.size(), 2u);
    EXPECT_EQ(save(hls), saying("mp4", {"saved:Clip.mp4", "downloaded"}));
    const MediaProbe::Info movie = probe("Clip.mp4");
    EXPECT_TRUE(movie.video() && movie.audio());
    EXPECT_LE(std::abs(movie.duration - 3), 1.0);
    // The English sound; each rotating key fetched once for both tracks.
    EXPECT_GE(times(streams, "/hls/sound-en.m3u8"), 1);
    EXPECT_EQ(times(streams, "/hls/sound.m3u8"), 0);
    EXPECT_EQ(times(streams, "/hls/key0"), 1);
    EXPECT_EQ(times(streams, "/hls/key1"), 1);
    // The bar ends full at the file's size.
    const auto size = static_cast<double>(fs::file_size(folder / "Clip.mp4"));
    EXPECT_EQ(last.back(), std::make_pair(size, size));

    EXPECT_EQ(save(hls)[3], "saved:Clip(1).mp4");
    const TrackPlan dash = plan(streams.mpd(), StreamManifest::Kind::Dash);
    EXPECT_EQ(save(dash)[3], "saved:Clip(2).mp4");
    EXPECT_TRUE(probe("Clip(2).mp4").video() && probe("Clip(2).mp4").audio());
    // The variant carrying its own sound, as byte ranges of one file.
    EXPECT_EQ(save(plan(streams.master(), StreamManifest::Kind::Hls, 4))[3], "saved:Clip(3).mp4");
    EXPECT_TRUE(probe("Clip(3).mp4").video() && probe("Clip(3).mp4").audio());

    // DASH of one whole file (SegmentBase) larger than a piece: fetched in
    // pieces of it, only the first one starting the container.
    const std::string whole = folder.file("whole.mp4");
    ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -i " + clip->file("m.ts") +
                           " -c copy -f mp4 " + whole)
                              .c_str()),
              0);
    std::string file = readFile(whole);
    fs::remove(whole);
    const auto padding = static_cast<std::uint32_t>(StreamDownload::wholeFilePiece);
    for (int shift : {24, 16, 8, 0})
        file += static_cast<char>(padding >> shift & 0xFF);
    file += "free" + std::string(padding - 8, '\0');
    const auto counts = servePieces(srv, "/whole.mp4", PieceRoute{.bytes = file, .changed = {}});
    srv.body("/whole.mpd",
             "<MPD type=\"static\" mediaPresentationDuration=\"PT3S\"><Period><AdaptationSet "
             "mimeType=\"video/mp4\"><Representation id=\"1\" bandwidth=\"300000\" "
             "codecs=\"avc1.64000a,mp4a.40.2\" width=\"32\" height=\"24\"><BaseURL>whole.mp4"
             "</BaseURL><SegmentBase/></Representation></AdaptationSet></Period></MPD>",
             "application/dash+xml");
    EXPECT_EQ(save(plan(srv.url("/whole.mpd"), StreamManifest::Kind::Dash))[3],
              "saved:Clip(4).mp4");
    EXPECT_TRUE(probe("Clip(4).mp4").video() && probe("Clip(4).mp4").audio());
    EXPECT_EQ(counts->ranged, 3); // its size, then its two pieces
    // Nothing but the movies is left.
    EXPECT_EQ(listFolder(folder.path()),
              (std::vector<std::string>{"Clip(1).mp4", "Clip(2).mp4", "Clip(3).mp4", "Clip(4).mp4",
                                        "Clip.mp4"}));
}

// Every segment is checked before it counts: one that stays wrong fails
// the download after its tries, and no file is committed with a hole.
TEST_F(StreamDownloadTest, AHoleIsNeverCommittedAndAFaultySegmentGetsItsTries) {
    StreamFixture streams(srv, clip->path().string(), 1);
    const TrackPlan dash = plan(streams.mpd(), StreamManifest::Kind::Dash);
    const TrackPlan muxed = plan(streams.master(), StreamManifest::Kind::Hls, 4);
    const TrackPlan locked = plan(streams.master(), StreamManifest::Kind::Hls);
    options.stallSeconds = 1;
    const struct {
        const TrackPlan& plan;
        std::string path;
        Fault fault;
    } cases[] = {
        {dash, "/dash/chunk-stream0-00002.m4s", Fault::Page},
        {dash, "/dash/chunk-stream1-00002.m4s", Fault::NotFound},
        {dash, "/dash/chunk-stream0-00003.m4s", Fault::Short},
        {muxed, "/hls/m.ts", Fault::Short},
        {locked, "/hls/v1.ts", Fault::Short},
        {locked, "/hls/a2.ts", Fault::Stall},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        streams.fault(c.path, c.fault);
        const int before = asked(streams, c.path);
        EXPECT_EQ(save(c.plan), saying("mp4", {"done:save-failed"}));
        const int tried = asked(streams, c.path);
        // Every segment of m.ts is a range of that one file.
        if (c.path != "/hls/m.ts") {
            EXPECT_EQ(tried - before, SegmentQueue::maxTries);
        }
        EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{});
        streams.fault(c.path, Fault::None);
    }

    // A segment that answers a page once and then its bytes is saved whole.
    const std::string flaky = "/dash/chunk-stream0-00002.m4s";
    streams.fault(flaky, Fault::Page);
    Texts said;
    std::thread job([&] { said = save(dash); });
    ASSERT_TRUE(waitUntil([&] { return times(streams, flaky) >= 1; }));
    streams.fault(flaky, Fault::None);
    job.join();
    EXPECT_EQ(said, saying("mp4", {"saved:Clip.mp4", "downloaded"}));
    EXPECT_LE(std::abs(probe("Clip.mp4").duration - 3), 1.0);

    // A segment trickling in fails by the low-speed floor, not never.
    options.stallSeconds = 30;
    options.lowSpeedBytes = 1024;
    options.lowSpeedSeconds = 2;
    streams.fault("/dash/chunk-stream1-00001.m4s", Fault::Trickle);
    EXPECT_EQ(save(dash), saying("mp4", {"done:save-failed"}));
}

TEST_F(StreamDownloadTest, AStoppedStreamContinuesFromItsSegments) {
    StreamFixture streams(srv, clip->path().string());
    const TrackPlan dash = plan(streams.mpd(), StreamManifest::Kind::Dash);
    ASSERT_EQ(dash.tracks.size(), 2u);
    options.resume.partFile = StagedFile::stablePath(folder.path().string(), "Clip", "7");
    options.connections = 1;
    const std::string stalled = "/dash/chunk-stream0-00003.m4s";
    streams.fault(stalled, Fault::Stall);
    auto cancel = std::make_shared<CancelToken>();
    Texts said;
    std::thread job([&] { said = save(dash, cancel); });
    ASSERT_TRUE(waitUntil([&] { return times(streams, stalled) >= 1; }));
    cancel->pause();
    job.join();
    EXPECT_EQ(said.back(), "done:paused");
    ResumeState kept;
    {
        std::lock_guard lock(mutex);
        kept = resumed;
    }
    ASSERT_EQ(kept.segments.tracks.size(), 2u);
    EXPECT_EQ(kept.segments.manifest, dash.fingerprint());
    EXPECT_TRUE(kept.segments.tracks[0].starts_with("0-1@")) << kept.segments.tracks[0];
    for (const std::string& file : kept.files())
        EXPECT_TRUE(fs::exists(file)) << file;

    // Continued: what is on disk is not asked for again.
    streams.fault(stalled, Fault::None);
    options.resume = kept;
    const auto before = streams.served().size();
    EXPECT_EQ(save(dash), saying("mp4", {"saved:Clip.mp4", "downloaded"}));
    const auto served = streams.served();
    const std::vector<std::string> again(served.begin() + static_cast<long>(before), served.end());
    for (const char* fetched : {"/dash/init-stream0.m4s", "/dash/chunk-stream0-00001.m4s",
                                "/dash/chunk-stream0-00002.m4s"})
        EXPECT_EQ(std::count(again.begin(), again.end(), fetched), 0) << fetched;
    EXPECT_EQ(std::count(again.begin(), again.end(), stalled), 1);
    EXPECT_LE(std::abs(probe("Clip.mp4").duration - 3), 1.0);
    for (const std::string& file : kept.files())
        EXPECT_FALSE(fs::exists(file)) << file;

    // A record of another segment list starts over.
    kept.segments.manifest = "another";
    options.resume = kept;
    const int first = times(streams, "/dash/chunk-stream0-00001.m4s");
    EXPECT_EQ(save(dash)[3], "saved:Clip(1).mp4");
    EXPECT_EQ(times(streams, "/dash/chunk-stream0-00001.m4s"), first + 1);
}

// The segments go as every other request does: each cookie to its own
// host, the page as Referer; ffmpeg sees only local files.
TEST_F(StreamDownloadTest, CookiesReachOnlyTheirHostsAndNoProgramsArguments) {
    const std::string far = "http://localhost:" + std::to_string(srv.port()) + "/far";
    std::string playlist = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n";
    const std::string addresses[] = {srv.url("/near0"), far, srv.url("/near2")};
    for (int i = 0; i < 3; ++i) {
        const std::string path = i == 1 ? "/far" : "/near" + std::to_string(i);
        srv.body(path, readFile(clip->file("v" + std::to_string(i) + ".ts")), "video/mp2t");
        playlist += "#EXTINF:1,\n" + addresses[i] + "\n";
    }
    srv.body("/clip.m3u8", playlist + "#EXT-X-ENDLIST\n", "application/vnd.apple.mpegurl");
    cookies = {
        "127.0.0.1\tFALSE\t/\tFALSE\t0\tnear\t1", "#HttpOnly_localhost\tFALSE\t/\tFALSE\t0\tfar\t2",
        "other.example\tFALSE\t/\tFALSE\t0\tstray\t3", "127.0.0.1\tFALSE\t/\tFALSE\t1\told\t4"};
    options.referer = "http://127.0.0.1/page";
    options.userAgent = "Quillmoth test";
    // An ffmpeg that writes down how it was started.
    TempFolder bin;
    const std::string log = bin.file("arguments");
    writeFile(bin.file("ffmpeg"),
              "#!/bin/sh\necho \"$@\" >>" + log + "\nexec /usr/bin/ffmpeg \"$@\"\n");
    fs::permissions(bin.file("ffmpeg"), fs::perms::owner_all);
    const ScopedPath path(bin.path().string() + ":/usr/bin:/bin");

    EXPECT_EQ(save(plan(srv.url("/clip.m3u8"), StreamManifest::Kind::Hls))[3], "saved:Clip.mp4");
    for (const char* near : {"/near0", "/near2"})
        EXPECT_EQ(srv.lastHeader(near, "Cookie"), "near=1") << near;
    EXPECT_EQ(srv.lastHeader("/far", "Cookie"), "far=2");
    EXPECT_EQ(srv.lastHeader("/far", "Referer"), options.referer);
    EXPECT_EQ(srv.lastHeader("/near0", "User-Agent"), options.userAgent);
    const std::string started = readFile(log);
    EXPECT_NE(started.find("-protocol_whitelist file"), std::string::npos) << started;
    for (const char* word : {"near=", "far=", "http", "Cookie"})
        EXPECT_EQ(started.find(word), std::string::npos) << word << " in " << started;
}

// A segment server whose certificate is for another name, signed by no
// one, gets no request: the stream fails.
TEST_F(StreamDownloadTest, EverySegmentsCertificateIsChecked) {
    TempFolder tls;
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "
                           "/CN=other.example -keyout " +
                           tls.file("key.pem") + " -out " + tls.file("cert.pem") + " 2>/dev/null")
                              .c_str()),
              0);
    const std::string port = std::to_string(freePort());
    ToolRun server({"openssl", "s_server", "-accept", port, "-cert", tls.file("cert.pem"), "-key",
                    tls.file("key.pem"), "-WWW"},
                   tls.path());
    ASSERT_TRUE(server.waitForLine("ACCEPT"));
    // It would serve the segment to whoever took its word.
    writeFile(tls.file("v1.ts"), readFile(clip->file("v1.ts")));
    srv.body("/v0.ts", readFile(clip->file("v0.ts")), "video/mp2t");
    srv.body("/tls.m3u8",
             "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nv0.ts\n#EXTINF:1,\nhttps://"
             "127.0.0.1:" +
                 port + "/v1.ts\n#EXT-X-ENDLIST\n",
             "application/vnd.apple.mpegurl");
    cookies = {"127.0.0.1\tFALSE\t/\tFALSE\t0\tsecret\t1"};
    EXPECT_EQ(save(plan(srv.url("/tls.m3u8"), StreamManifest::Kind::Hls)),
              saying("mp4", {"done:save-failed"}));
}

} // namespace

// A job finds a stream on a page or at a direct link, takes the quality's
// variant, and refuses one it cannot save before anything is written.
TEST_F(StreamDownloadTest, AJobSavesAPagesStreamOrRefusesItClearly) {
    const StreamFixture streams(srv, clip->path().string());
    srv.body("/watch", "<title>Streamed</title><video><source src=\"/hls/master.m3u8\" "
                       "type=\"application/x-mpegURL\"></video>");
    const auto job = [&](const std::string& page) {
        const int id = JobRecorder::nextId();
        JobOptions o = options;
        o.pageUrl = srv.url(page);
        o.quality = 4;
        DownloadJob(std::move(o), id, &JobRecorder::record).run();
        return JobRecorder::statusesOf(id).back();
    };
    EXPECT_EQ(job("/watch"), "done:downloaded");
    EXPECT_LE(std::abs(probe("Streamed.mp4").duration - 3), 1.0);
    EXPECT_EQ(job("/dash/clip.mpd"), "done:downloaded"); // a direct link, named by its file
    EXPECT_TRUE(fs::exists(folder / "clip.mp4"));

    const std::string part = "#EXTINF:1,\nv0.ts\n";
    for (const auto& [playlist, said] : std::vector<std::pair<std::string, std::string>>{
             {"#EXTM3U\n" + part, "done:stream-live"},
             {"#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n" + part + "#EXT-X-ENDLIST\n",
              "done:stream-protected"},
             {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"file:///etc/passwd\"\n" + part +
                  "#EXT-X-ENDLIST\n",
              "done:stream-unsupported"}}) {
        srv.body("/hls/refused.m3u8", playlist, "application/vnd.apple.mpegurl");
        EXPECT_EQ(job("/hls/refused.m3u8"), said);
    }
    srv.body("/live.mpd", "<MPD type=\"dynamic\"><Period/></MPD>", "application/dash+xml");
    EXPECT_EQ(job("/live.mpd"), "done:stream-live");
    EXPECT_EQ(listFolder(folder.path()), (std::vector<std::string>{"Streamed.mp4", "clip.mp4"}));
}

#include "StreamDownload.h"
#include "CancelToken.h"
#include "DownloadJob.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "MediaProbe.h"
#include "ProcessRunner.h"
#include "ScopedPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;

// What the step says for a file of type that ends with tail.
Texts saying(const std::string& type, const Texts& tail) {
    Texts all = {"connecting", "downloading", "set" + type};
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

// The words of text, split at blanks.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        all.push_back(word);
    return all;
}

// A 3-second stream (picture and sound, 1-second parts) made once by the
// real ffmpeg: HLS as it is, HLS encrypted (AES-128) with its key at
// key.bin, and DASH.
class StreamDownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        made = std::make_unique<TempFolder>();
        writeFile(made->file("key.bin"), "0123456789abcdef");
        writeFile(made->file("keyinfo"), "key.bin\n" + made->file("key.bin") + "\n");
        const std::string clip = "ffmpeg -nostdin -loglevel error -f lavfi -i "
                                 "testsrc=size=64x48:rate=10:d=3 -f lavfi -i sine=d=3 -c:v libx264 "
                                 "-g 10 -c:a aac ";
        const std::string hls = "-f hls -hls_time 1 -hls_playlist_type vod -hls_segment_filename ";
        for (const std::string& output :
             {hls + made->file("plain%d.ts") + " " + made->file("plain.m3u8"),
              hls + made->file("locked%d.ts") + " -hls_key_info_file " + made->file("keyinfo") +
                  " " + made->file("locked.m3u8"),
              "-map 0 -map 1 -f dash -seg_duration 1 " + made->file("dash.mpd")})
            ASSERT_EQ(ProcessRunner(words(clip + output)).run(), 0) << output;
    }
    static void TearDownTestSuite() { made.reset(); }

    // Serves the stream's playlist at /NAME.m3u8 with its parts at
    // /NAMEpartN (no media extension), or at parts[N] where one is given;
    // returns the playlist's address.
    std::string serve(const std::string& name, std::vector<std::string> parts = {}) {
        parts.resize(3);
        std::string playlist = readFile(made->file(name + ".m3u8"));
        for (int n = 0; n < 3; ++n) {
            const std::string file = name + std::to_string(n) + ".ts";
            const std::string path = "/" + name + "part" + std::to_string(n);
            srv.body(path, readFile(made->file(file)), "video/mp2t");
            std::string& part = parts[static_cast<std::size_t>(n)];
            playlist.replace(playlist.find(file), file.size(),
                             part.empty() ? path.substr(1) : part);
        }
        srv.body("/key.bin", readFile(made->file("key.bin")), "application/octet-stream");
        srv.body("/" + name + ".m3u8", playlist, "application/vnd.apple.mpegurl");
        return srv.url("/" + name + ".m3u8");
    }

    // Saves request as "Clip"; what the step said.
    Texts save(StreamRequest request, const std::string& extension = ".mp4",
               std::shared_ptr<CancelToken> cancel = {}) {
        const int id = JobRecorder::nextId();
        const JobReporter reporter(id, &JobRecorder::record, std::move(cancel));
        StreamDownload download(options, reporter, "Clip", extension);
        const bool saved = download.save(request);
        const Texts said = JobRecorder::statusesOf(id);
        EXPECT_EQ(saved, said.back() == "downloaded");
        last = JobRecorder::progressOf(id);
        return said;
    }

    StreamRequest request(std::string address, double duration = 3) {
        StreamRequest r;
        r.inputs = {std::move(address)};
        r.maps = {"0:v:0", "0:a:0"};
        r.duration = duration;
        return r;
    }

    MediaProbe::Info probe(const std::string& name) {
        return MediaProbe::probe(folder.file(name)).info;
    }

    static inline std::unique_ptr<TempFolder> made;
    FixtureServer srv;
    TempFolder folder;
    static constexpr long usualStall = 5;
    JobOptions options = [this] {
        JobOptions o;
        o.movieFolder = folder.path().string();
        o.stallSeconds = usualStall;
        return o;
    }();
    std::vector<std::pair<double, double>> last;
};

TEST_F(StreamDownloadTest, SavesTheStreamAsOnePlayableFileUnderAFreeName) {
    const std::string address = serve("plain");
    EXPECT_EQ(save(request(address)), saying("mp4", {"saved:Clip.mp4", "downloaded"}));
    const MediaProbe::Info movie = probe("Clip.mp4");
    EXPECT_TRUE(movie.video() && movie.audio());
    EXPECT_LE(std::abs(movie.duration - 3), 1.0);
    // The bar ends full at the file's size.
    const auto size = static_cast<double>(fs::file_size(folder / "Clip.mp4"));
    EXPECT_EQ(last.back(), std::make_pair(size, size));

    EXPECT_EQ(save(request(address))[3], "saved:Clip(1).mp4");
    StreamRequest sound = request(address);
    sound.maps = {"0:a:0"};
    sound.audioOnly = true;
    EXPECT_EQ(save(sound, ".m4a"), saying("m4a", {"saved:Clip.m4a", "downloaded"}));
    EXPECT_TRUE(probe("Clip.m4a").audio() && !probe("Clip.m4a").video());

    for (const auto& entry : fs::directory_iterator(made->path()))
        srv.body("/dash/" + entry.path().filename().string(), readFile(entry.path().string()));
    StreamRequest dash = request(srv.url("/dash/dash.mpd"));
    dash.kind = StreamRequest::Kind::Dash;
    EXPECT_EQ(save(dash)[3], "saved:Clip(2).mp4");
    EXPECT_LE(std::abs(probe("Clip(2).mp4").duration - 3), 1.0);
    // The sound from a playlist of its own.
    StreamRequest apart = request(address);
    apart.inputs.push_back(address);
    apart.maps = {"0:v:0?", "1:a:0"};
    EXPECT_EQ(save(apart)[3], "saved:Clip(3).mp4");
    EXPECT_TRUE(probe("Clip(3).mp4").video() && probe("Clip(3).mp4").audio());
    EXPECT_EQ(listFolder(folder.path()),
              (std::vector<std::string>{"Clip(1).mp4", "Clip(2).mp4", "Clip(3).mp4", "Clip.m4a",
                                        "Clip.mp4"}));
}

TEST_F(StreamDownloadTest, AnEncryptedStreamIsReadWithItsKey) {
    EXPECT_EQ(save(request(serve("locked")))[3], "saved:Clip.mp4");
    EXPECT_EQ(srv.hits("/key.bin"), 1);
    EXPECT_LE(std::abs(probe("Clip.mp4").duration - 3), 1.0);
}

TEST_F(StreamDownloadTest, AStreamNotWholeOrNotSavedLeavesNoFile) {
    options.resume.partFile = folder.file("Clip.part");
    const auto fails = [&](StreamRequest r, const std::string& end) {
        writeFile(options.resume.partFile, "an earlier try");
        EXPECT_EQ(save(std::move(r)), saying("mp4", {end}));
        EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{});
    };
    // The server breaks off in the middle of a part, or has lost one.
    srv.dropped("/cut", readFile(made->file("plain1.ts")), 5000);
    fails(request(serve("plain", {"", "/cut"})), "done:save-failed");
    fails(request(serve("plain", {"", "/gone"})), "done:save-failed");
    // The server stops sending from the second part on.
    options.stallSeconds = 1;
    srv.stall("/stalled");
    fails(request(serve("plain", {"", "/stalled", "/stalled"})), "done:save-failed");
    // What must arrive gets its time again: a busy machine may pause.
    options.stallSeconds = usualStall;
    // The stream is shorter than its manifest said.
    const std::string plain = serve("plain");
    fails(request(plain, 9), "done:save-failed");
    auto cancel = std::make_shared<CancelToken>();
    cancel->cancel();
    writeFile(options.resume.partFile, "an earlier try");
    EXPECT_EQ(save(request(plain), ".mp4", cancel), saying("mp4", {"done:cancelled"}));
    EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{});
    const ScopedPath noPrograms(folder.path().string());
    fails(request(plain), "done:ffmpeg-missing");
}

TEST_F(StreamDownloadTest, EachCookieReachesOnlyItsHost) {
    const std::string far = "http://localhost:" + std::to_string(srv.port()) + "/far";
    srv.body("/far", readFile(made->file("plain2.ts")), "video/mp2t");
    StreamRequest r = request(serve("plain", {"", "", far}));
    r.cookies = {
        "127.0.0.1\tFALSE\t/\tFALSE\t0\tnear\t1", "#HttpOnly_localhost\tFALSE\t/\tFALSE\t0\tfar\t2",
        "other.example\tFALSE\t/\tFALSE\t0\tstray\t3", "127.0.0.1\tFALSE\t/\tFALSE\t1\told\t4"};
    r.referer = "http://127.0.0.1/page";
    r.userAgent = "Quillmoth test";
    EXPECT_EQ(save(r)[3], "saved:Clip.mp4");
    for (const char* path : {"/plain.m3u8", "/plainpart0", "/plainpart1"})
        EXPECT_EQ(srv.lastHeader(path, "Cookie"), "near=1") << path;
    EXPECT_EQ(srv.lastHeader("/far", "Cookie"), "far=2");
    EXPECT_EQ(srv.lastHeader("/far", "Referer"), r.referer);
    EXPECT_EQ(srv.lastHeader("/plainpart0", "User-Agent"), r.userAgent);
}

} // namespace

// A job finds a stream on a page or at a direct link, takes the quality's
// variant, and refuses one it cannot save before anything is written.
TEST_F(StreamDownloadTest, AJobSavesAPagesStreamOrRefusesItClearly) {
    const std::string media = serve("plain");
    srv.body("/master.m3u8",
             "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=900000,RESOLUTION=1280x720\nmissing.m3u8\n"
             "#EXT-X-STREAM-INF:BANDWIDTH=200000,RESOLUTION=64x48\nplain.m3u8\n",
             "application/vnd.apple.mpegurl");
    srv.body("/watch", "<title>Streamed</title><video><source src=\"/master.m3u8\" "
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
    EXPECT_EQ(job("/plain.m3u8"), "done:downloaded"); // a direct link, named by its file
    EXPECT_TRUE(fs::exists(folder / "plain.mp4"));

    const std::string part = "#EXTINF:1,\nplain0.ts\n";
    for (const auto& [playlist, said] : std::vector<std::pair<std::string, std::string>>{
             {"#EXTM3U\n" + part, "done:stream-live"},
             {"#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n" + part + "#EXT-X-ENDLIST\n",
              "done:stream-protected"},
             {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"file:///etc/passwd\"\n" + part +
                  "#EXT-X-ENDLIST\n",
              "done:stream-unsupported"}}) {
        srv.body("/refused.m3u8", playlist, "application/vnd.apple.mpegurl");
        EXPECT_EQ(job("/refused.m3u8"), said);
    }
    srv.body("/live.mpd", "<MPD type=\"dynamic\"><Period/></MPD>", "application/dash+xml");
    EXPECT_EQ(job("/live.mpd"), "done:stream-live");
    EXPECT_EQ(listFolder(folder.path()), (std::vector<std::string>{"Streamed.mp4", "plain.mp4"}));
}

#include "media/PlayableCopy.h"
#include "base/CancelToken.h"
#include "support/ScopedPath.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testfiles::listFolder;
using testfiles::readFile;
using Way = PlayableCopy::Way;
using Outcome = PlayableCopy::Outcome;

namespace {

const Reason cannotRead = Reason::PlayUnreadable;
const Reason noFfmpeg = Reason::PlayFfmpegMissing;

const std::vector<std::string> testPicture(int seconds, const std::string& size) {
    return {
        "-f",       "lavfi",
        "-i",       "testsrc=duration=" + std::to_string(seconds) + ":size=" + size + ":rate=25",
        "-f",       "lavfi",
        "-i",       "sine=frequency=440:duration=" + std::to_string(seconds),
        "-shortest"};
}

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// "format|codec,codec" as ffprobe sees the file, e.g. "mov,mp4,...|h264,aac".
std::string probe(const std::string& path) {
    const ToolResult r = runProgram({"ffprobe", "-v", "error", "-show_entries",
                                     "format=format_name:stream=codec_name", "-of",
                                     "compact=p=0:nk=1", "file:" + path},
                                    fs::path(path).parent_path());
    std::string streams;
    std::string format;
    for (const auto& line : r.lines) {
        if (line.find("mp4") != std::string::npos || line.find("flv") != std::string::npos)
            format = line;
        else
            streams += (streams.empty() ? "" : ",") + line;
    }
    return format + "|" + streams;
}

const std::string mp4H264Aac = "mov,mp4,m4a,3gp,3g2,mj2|h264,aac";

struct Calls {
    std::vector<std::pair<double, double>> seen;
    PlayableCopy::Progress sink() {
        return [this](double done, double total) { seen.emplace_back(done, total); };
    }
};

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class PlayableCopyTest : public ::testing::Test {
protected:
    // Tiny clips made once by the real ffmpeg.
    static void SetUpTestSuite() {
        clips = std::make_unique<TempFolder>();
        const auto picture = testPicture(1, "160x120");
        ASSERT_TRUE(makeClip(
            with(picture, {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100", "-f", "flv"}),
            clips->path() / "flv1.flv"));
        ASSERT_TRUE(makeClip(
            with(picture, {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "flv"}),
            clips->path() / "h264.flv"));
        ASSERT_TRUE(makeClip(
            with(picture, {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "mp4"}),
            clips->path() / "Clip.MP4"));
        ASSERT_TRUE(
            makeClip({"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "libmp3lame", "-f", "mp3"},
                     clips->path() / "song.mp3"));
    }
    static void TearDownTestSuite() { clips.reset(); }

    // A clip copied into this test's own folder, free to change.
    std::string own(const std::string& clip, const std::string& name) {
        const fs::path to = dir / name;
        fs::copy_file(clips->path() / clip, to);
        return to.string();
    }

    static std::unique_ptr<TempFolder> clips;
    TempFolder dir;
    std::string cache = dir.file("cache");
};

std::unique_ptr<TempFolder> PlayableCopyTest::clips;

TEST_F(PlayableCopyTest, WayFollowsTheCodecsNotTheName) {
    const PlayableCopy player(cache);
    struct Case {
        std::string clip;
        std::string name;
        Way way;
    };
    const std::vector<Case> cases = {
        {"flv1.flv", "default download.flv", Way::Transcode},
        {"flv1.flv", "Disguised.mp4", Way::Transcode},
        {"h264.flv", "h264.flv", Way::Remux},
        {"Clip.MP4", "Clip.MP4", Way::AsIs},
        {"song.mp3", "-song.mp3", Way::AsIs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string media = own(c.clip, c.name);
        const std::string before = readFile(media);
        Calls progress;
        const auto r = player.prepare(media, progress.sink());
        ASSERT_EQ(r.outcome, Outcome::Ready) << reasonName(r.reason);
        EXPECT_EQ(r.way, c.way);
        EXPECT_EQ(readFile(media), before) << "the source was changed";
        if (c.way == Way::AsIs) {
            EXPECT_EQ(r.path, media);
            EXPECT_EQ(player.cachedCopy(media), "");
            continue;
        }
        EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(cache));
        EXPECT_EQ(player.cachedCopy(media), r.path);
        EXPECT_EQ(probe(r.path), mp4H264Aac);
        ASSERT_FALSE(progress.seen.empty());
        const auto [done, total] = progress.seen.back();
        EXPECT_GT(total, 0.9);
        EXPECT_EQ(done, total);
        for (std::size_t i = 1; i < progress.seen.size(); ++i)
            EXPECT_LE(progress.seen[i - 1].first, progress.seen[i].first);
    }
    // Only finished copies, no temporary files.
    for (const auto& name : listFolder(cache))
        EXPECT_EQ(fs::path(name).extension(), ".mp4") << name;
    EXPECT_EQ(listFolder(cache).size(), 3u);
}

TEST_F(PlayableCopyTest, SecondPlayIsCachedUntilTheSourceChanges) {
    const PlayableCopy player(cache);
    const std::string media = own("flv1.flv", "movie.flv");
    const auto first = player.prepare(media);
    ASSERT_EQ(first.outcome, Outcome::Ready) << reasonName(first.reason);
    ASSERT_EQ(first.way, Way::Transcode);
    const ino_t inode = inodeOf(first.path);
    const auto longAgo = fs::file_time_type::clock::now() - 24h;
    fs::last_write_time(first.path, longAgo);
    {
        // No ffmpeg or ffprobe can run now.
        ScopedPath nowhere(dir.folder("empty-bin").string());
        const auto again = player.prepare(media);
        ASSERT_EQ(again.outcome, Outcome::Ready) << reasonName(again.reason);
        EXPECT_EQ(again.way, Way::Cached);
        EXPECT_EQ(again.path, first.path);
        EXPECT_EQ(inodeOf(again.path), inode);
        EXPECT_GT(fs::last_write_time(again.path), longAgo) << "playing is not recorded";

        const auto uncached = player.prepare(own("h264.flv", "other.flv"));
        EXPECT_EQ(uncached.outcome, Outcome::Failed);
        EXPECT_EQ(uncached.reason, noFfmpeg);
    }

    fs::last_write_time(media, fs::last_write_time(media) + 5s);
    EXPECT_EQ(player.cachedCopy(media), "");
    const auto changed = player.prepare(media);
    ASSERT_EQ(changed.outcome, Outcome::Ready) << reasonName(changed.reason);
    EXPECT_EQ(changed.way, Way::Transcode);
    EXPECT_NE(changed.path, first.path);
    EXPECT_EQ(player.cachedCopy(media), changed.path);
    EXPECT_EQ(probe(changed.path), mp4H264Aac);
}

TEST_F(PlayableCopyTest, FailuresAreReportedAndLeaveNothing) {
    const PlayableCopy player(cache);
    const std::string flv = readFile(clips->file("flv1.flv"));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"garbage.flv", flv.substr(0, 13) + std::string(5000, '\x5a')},
        {"cut.flv", flv.substr(0, 200)},
        {"page.flv", "<html><body>Not found</body></html>"},
        {"empty.flv", ""},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        testfiles::writeFile(dir.file(name), bytes);
        const auto r = player.prepare(dir.file(name));
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_EQ(r.reason, cannotRead);
        EXPECT_EQ(r.path, "");
        EXPECT_EQ(readFile(dir.file(name)), bytes);
    }
    EXPECT_FALSE(fs::exists(cache) && !fs::is_empty(cache));

    const auto missing = player.prepare(dir.file("no-such.flv"));
    EXPECT_EQ(missing.outcome, Outcome::Failed);
    EXPECT_NE(missing.reason, Reason::None);

    // A file where the cache folder should be.
    testfiles::writeFile(dir.file("blocked"), "x");
    const auto noFolder =
        PlayableCopy(dir.file("blocked") + "/cache").prepare(own("flv1.flv", "fine.flv"));
    EXPECT_EQ(noFolder.outcome, Outcome::Failed);
    EXPECT_EQ(noFolder.reason, Reason::PlayCacheUnusable);
}

TEST_F(PlayableCopyTest, CancelEndsFfmpegAndLeavesNoTemporaryFile) {
    const std::string media = dir.file("long.flv");
    ASSERT_TRUE(makeClip(with(testPicture(40, "320x240"),
                              {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100", "-f", "flv"}),
                         media));
    const PlayableCopy player(cache);
    CancelToken token;
    std::vector<pid_t> ffmpegs;
    const auto r = player.prepare(
        media,
        [&](double done, double) {
            if (done > 0 && !token.cancelled()) {
                ffmpegs = childProcesses(getpid(), "ffmpeg");
                token.cancel();
            }
        },
        &token);
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    ASSERT_EQ(ffmpegs.size(), 1u) << "cancelled before ffmpeg ran";
    EXPECT_TRUE(processEnded(ffmpegs[0]));
    EXPECT_TRUE(childProcesses(getpid(), "ffmpeg").empty());
    EXPECT_TRUE(listFolder(cache).empty());
    EXPECT_EQ(player.cachedCopy(media), "");
}

TEST_F(PlayableCopyTest, PruneDropsLeastRecentlyPlayedButNeverTheNewCopy) {
    const std::string a = own("flv1.flv", "a.flv");
    const std::string b = own("flv1.flv", "b.flv");
    const std::string c = own("flv1.flv", "c.flv");
    const std::string d = own("flv1.flv", "d.flv");
    const PlayableCopy roomy(cache);
    const std::string copyA = roomy.prepare(a).path;
    const std::string copyB = roomy.prepare(b).path;
    ASSERT_FALSE(copyA.empty());
    ASSERT_FALSE(copyB.empty());
    // B played long ago, A since.
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(copyB, now - 2h);
    fs::last_write_time(copyA, now - 1h);
    // A dead job's temporary file, a running job's one, and a file of the
    // user's that happens to sit there.
    const std::string stale = (fs::path(cache) / "fedcba9876543210.mp4.Ab12Cd.part").string();
    const std::string running = (fs::path(cache) / "0123456789abcdef.mp4.Zz99Yy.part").string();
    const std::string users = (fs::path(cache) / "holiday.mp4").string();
    for (const auto& f : {stale, running, users})
        testfiles::writeFile(f, std::string(100, 'x'));
    fs::last_write_time(stale, now - 3h);
    fs::last_write_time(users, now - 5h);

    // Room for two copies and a half: C in, B (least recently played) out.
    const auto size = fs::file_size(copyA);
    const PlayableCopy tight(cache, 2 * size + size / 2);
    const auto madeC = tight.prepare(c);
    ASSERT_EQ(madeC.outcome, Outcome::Ready) << reasonName(madeC.reason);
    EXPECT_TRUE(fs::exists(copyA));
    EXPECT_FALSE(fs::exists(copyB));
    EXPECT_TRUE(fs::exists(madeC.path));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(users));

    // A limit below one copy still keeps the copy just made.
    const auto madeD = PlayableCopy(cache, 1).prepare(d);
    ASSERT_EQ(madeD.outcome, Outcome::Ready) << reasonName(madeD.reason);
    EXPECT_TRUE(fs::exists(madeD.path));
    EXPECT_FALSE(fs::exists(copyA));
    EXPECT_FALSE(fs::exists(madeC.path));
    EXPECT_EQ(probe(madeD.path), mp4H264Aac);
}

} // namespace

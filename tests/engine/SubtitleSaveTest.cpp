#include "JobRecorder.h"
#include "jobs/DownloadJob.h"
#include "support/FixtureServer.h"
#include "support/StreamFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

using namespace enginetest;

// Subtitles saved beside the movie by a download job, as asked.
class SubtitleSaveTest : public ::testing::Test {
protected:
    // The job on page with the subtitles of languages; what it said.
    Texts job(const std::string& page, const std::string& languages) {
        const int id = JobRecorder::nextId();
        JobOptions o =
            jobOptions(srv.url(page), "", 4, folder.path().string(), folder.path().string());
        EXPECT_TRUE(SubtitleChoice::parse(languages, o.subtitles));
        DownloadJob(std::move(o), id, &JobRecorder::record).run();
        return JobRecorder::statusesOf(id);
    }

    FixtureServer srv;
    TempFolder folder;
};

} // namespace

// The languages asked for in the forms kept, named after the movie's saved
// name; a track that is not what it says is said and skipped.
TEST_F(SubtitleSaveTest, APagesTracksGoBesideTheMovie) {
    srv.stream("/clip.mp4", std::string("\0\0\0\x18"
                                        "ftypisom",
                                        12) +
                                std::string(4000, 'm'));
    const std::string vtt = "WEBVTT\n\n00:00.000 --> 00:01.000\nHello\n";
    srv.body("/en.vtt", vtt, "text/vtt");
    srv.body("/de.srt", "1\n00:00:00,000 --> 00:00:01,000\nHallo\n", "application/x-subrip");
    srv.body("/fr.vtt", "<html><body>Sign in</body></html>");
    srv.body("/es.vtt", vtt, "text/vtt");
    srv.body("/watch",
             "<title>Clip</title><video src=\"/clip.mp4\">"
             "<track src=\"/en.vtt\" srclang=\"en\"><track src=\"/de.srt\" srclang=\"de\">"
             "<track src=\"/fr.vtt\" srclang=\"fr\"><track src=\"/es.vtt\" srclang=\"es\">"
             "<track src=\"/x.ttml\" srclang=\"en\"></video>");
    const Texts said = job("/watch", "en,de,fr");
    EXPECT_EQ(said.back(), "done:downloaded");
    EXPECT_EQ(std::count(said.begin(), said.end(), "subtitles-failed"), 1);
    EXPECT_EQ(readFile(folder.file("Clip.en.vtt")), vtt);
    EXPECT_TRUE(readFile(folder.file("Clip.de.srt")).find("Hallo") != std::string::npos);
    EXPECT_EQ(srv.hits("/es.vtt"), 0);
    EXPECT_EQ(srv.hits("/x.ttml"), 0);
    EXPECT_EQ(listFolder(folder.path()),
              (std::vector<std::string>{"Clip.de.srt", "Clip.en.vtt", "Clip.mp4"}));

    // A copy's subtitles follow its name; none are fetched unless asked.
    EXPECT_EQ(job("/watch", "en").back(), "done:downloaded");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Clip(1).en.vtt"));
    EXPECT_EQ(job("/watch", "").back(), "done:downloaded");
    EXPECT_EQ(srv.hits("/en.vtt"), 2);
}

// An HLS stream's subtitle rendition: its WebVTT segments joined into one
// file, one header, every cue in order.
TEST_F(SubtitleSaveTest, AStreamsWebVttSegmentsAreJoined) {
    const std::unique_ptr<TempFolder> clip = std::make_unique<TempFolder>();
    StreamFixture::makeClip(clip->path().string());
    const StreamFixture streams(srv, clip->path().string());
    srv.body("/s/master.m3u8",
             "#EXTM3U\n#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"s\",NAME=\"English\",LANGUAGE=\"en\","
             "URI=\"en.m3u8\"\n#EXT-X-STREAM-INF:BANDWIDTH=400000,SUBTITLES=\"s\"\n"
             "/hls/muxed.m3u8\n",
             "application/vnd.apple.mpegurl");
    srv.body("/s/en.m3u8",
             "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nen0.vtt\n#EXTINF:1,\nen1.vtt\n"
             "#EXT-X-ENDLIST\n",
             "application/vnd.apple.mpegurl");
    const std::string header = "WEBVTT\nX-TIMESTAMP-MAP=MPEGTS:900000,LOCAL:00:00:00.000\n\n";
    srv.body("/s/en0.vtt", header + "00:00.000 --> 00:01.000\nOne\n", "text/vtt");
    srv.body("/s/en1.vtt", header + "00:02.000 --> 00:03.000\nTwo\n", "text/vtt");
    EXPECT_EQ(job("/s/master.m3u8", "all").back(), "done:downloaded");
    EXPECT_EQ(readFile(folder.file("master.en.vtt")),
              "WEBVTT\n\n00:00.000 --> 00:01.000\nOne\n\n00:02.000 --> 00:03.000\nTwo\n\n");
}

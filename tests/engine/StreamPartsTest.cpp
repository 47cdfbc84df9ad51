#include "Aes128.h"
#include "DashManifest.h"
#include "HlsPlaylist.h"
#include "MediaProbe.h"
#include "SegmentCheck.h"
#include "StreamFixture.h"
#include "StreamJoin.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TrackPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace {

using Fault = StreamFixture::Fault;
using Verdict = SegmentCheck::Verdict;

// A stream read, its segments fetched plainly one by one, checked,
// decrypted and joined: the readers, the checks and the joiner together.
class StreamPartsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clip = std::make_unique<TempFolder>();
        StreamFixture::makeClip(clip->path().string());
    }
    static void TearDownTestSuite() { clip.reset(); }

    static std::string clipFolder() { return clip->path().string(); }

    template <class Manifest> Manifest read(const std::string& url) {
        return Manifest::read(fetch(url).body, url);
    }

    // The first verdict that is not Ok; else each track's part file is in
    // request. leaveOut: segments left off each track's end.
    Verdict save(const TrackPlan& plan, StreamJoin::Request& request, std::size_t leaveOut = 0) {
        std::map<std::string, std::string> keys;
        for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
            const Track& track = plan.tracks[t];
            std::vector<StreamSegment> parts = track.inits;
            parts.insert(parts.end(), track.segments.begin(), track.segments.end() - leaveOut);
            std::string file;
            for (const StreamSegment& s : parts) {
                std::optional<std::pair<long long, long long>> range;
                if (s.part.range)
                    range = {s.part.range->offset, s.part.range->length};
                const Fetched got = fetch(s.part.url, range);
                const Verdict answered = SegmentCheck::answer(
                    {static_cast<int>(got.status), got.announced, got.body}, s.part.range);
                if (answered != Verdict::Ok)
                    return answered;
                std::optional<std::string> clear = got.body;
                if (s.key) {
                    std::string& key = keys[s.key->url];
                    if (key.empty())
                        key = fetch(s.key->url).body;
                    clear = Aes128::decrypt(key, s.key->iv, got.body);
                }
                if (!clear || SegmentCheck::content(*clear, track.container) != Verdict::Ok)
                    return Verdict::Container;
                file += *clear;
            }
            const std::string path = folder.file("track" + std::to_string(t));
            testfiles::writeFile(path, file);
            request.parts.push_back({path, track.content != Track::Content::Sound,
                                     track.content != Track::Content::Picture});
        }
        request.seconds = plan.seconds;
        request.soundOnly = plan.soundOnly;
        return Verdict::Ok;
    }

    // The plan saved and joined: what the joiner said.
    StreamJoin::Outcome join(const TrackPlan& plan, std::size_t leaveOut = 0) {
        StreamJoin::Request request;
        EXPECT_EQ(save(plan, request, leaveOut), Verdict::Ok);
        return StreamJoin::run(request, folder.file("clip.mp4"), nullptr);
    }

    int times(const StreamFixture& streams, const std::string& entry) {
        const auto served = streams.served();
        return static_cast<int>(std::count(served.begin(), served.end(), entry));
    }

    static inline std::unique_ptr<TempFolder> clip;
    FixtureServer srv;
    TempFolder folder;
};

} // namespace

TEST_F(StreamPartsTest, EncryptedHlsWithRotatingKeysIsJoinedWithTheWindowsSound) {
    const StreamFixture streams(srv, clipFolder(), 2);
    const auto master = read<HlsPlaylist>(streams.master());
    const auto choice = TrackPlan::choose(master, 1, "en-GB");
    ASSERT_TRUE(choice && choice->sound);
    const auto picture = read<HlsPlaylist>(master.variants[choice->variant].url);
    const auto sound = read<HlsPlaylist>(master.renditions[*choice->sound].url);
    const TrackPlan plan = TrackPlan::hls(master, *choice, picture, &sound);
    ASSERT_EQ(plan.refusal, StreamRefusal::None);
    ASSERT_EQ(plan.tracks.size(), 2u);
    ASSERT_GE(plan.tracks[0].segments.size(), 3u);
    EXPECT_EQ(plan.tracks[0].segments[2].key->iv,
              Aes128::sequenceIv(StreamFixture::firstSequence + 2));

    ASSERT_EQ(join(plan), StreamJoin::Outcome::Ok);
    const MediaProbe::Info info = MediaProbe::probe(folder.file("clip.mp4")).info;
    EXPECT_TRUE(info.video() && info.audio());
    EXPECT_EQ(times(streams, "/hls/sound-en.m3u8"), 1);
    EXPECT_EQ(times(streams, "/hls/sound.m3u8"), 0);
    EXPECT_EQ(times(streams, "/hls/key1"), 1);
}

TEST_F(StreamPartsTest, ByteRangesOfOneFileAndDashTemplatesAreJoinedToo) {
    const StreamFixture streams(srv, clipFolder());
    const auto master = read<HlsPlaylist>(streams.master());
    const auto choice = TrackPlan::choose(master, 4, {});
    ASSERT_TRUE(choice && !choice->sound); // the variant's own sound
    const TrackPlan muxed = TrackPlan::hls(
        master, *choice, read<HlsPlaylist>(master.variants[choice->variant].url), nullptr);
    ASSERT_EQ(muxed.tracks.size(), 1u);
    ASSERT_TRUE(muxed.tracks[0].segments[1].part.range);
    EXPECT_EQ(join(muxed), StreamJoin::Outcome::Ok);
    EXPECT_GE(
        times(streams, "/hls/m.ts bytes=0-" +
                           std::to_string(muxed.tracks[0].segments[0].part.range->length - 1)),
        1);

    const TrackPlan dash = TrackPlan::dash(read<DashManifest>(streams.mpd()), 1, {});
    ASSERT_EQ(dash.refusal, StreamRefusal::None);
    ASSERT_EQ(dash.tracks.size(), 2u);
    EXPECT_EQ(dash.tracks[1].content, Track::Content::Sound);
    EXPECT_EQ(join(dash), StreamJoin::Outcome::Ok);
    // Tracks short of their last seconds are not the manifest's length.
    EXPECT_EQ(join(dash, 2), StreamJoin::Outcome::CheckFailed);
}

TEST_F(StreamPartsTest, AFaultySegmentNeverCounts) {
    StreamFixture streams(srv, clipFolder(), 1);
    const TrackPlan dash = TrackPlan::dash(read<DashManifest>(streams.mpd()), 1, {});
    const auto master = read<HlsPlaylist>(streams.master());
    const TrackPlan muxed = TrackPlan::hls(master, {1, std::nullopt},
                                           read<HlsPlaylist>(master.variants[1].url), nullptr);
    const TrackPlan locked = TrackPlan::hls(read<HlsPlaylist>(srv.url("/hls/picture.m3u8")));
    const struct {
        const TrackPlan& plan;
        std::string path;
        Fault fault;
        Verdict verdict;
    } cases[] = {
        {dash, "/dash/chunk-stream0-00002.m4s", Fault::Page, Verdict::Page},
        {dash, "/dash/chunk-stream1-00002.m4s", Fault::NotFound, Verdict::Status},
        {dash, "/dash/chunk-stream0-00003.m4s", Fault::Short, Verdict::Container},
        {muxed, "/hls/m.ts", Fault::Short, Verdict::Length},
        {locked, "/hls/v1.ts", Fault::Short, Verdict::Container},
    };
    for (const auto& c : cases) {
        streams.fault(c.path, c.fault);
        StreamJoin::Request request;
        EXPECT_EQ(save(c.plan, request), c.verdict) << c.path;
        streams.fault(c.path, Fault::None);
    }
}

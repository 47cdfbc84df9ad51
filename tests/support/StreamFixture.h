#pragma once

#include "FixtureServer.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A 3-second clip (picture and sound, 1-second segments) made by ffmpeg
// into a folder once, served from a FixtureServer as HLS and DASH:
//   /hls/master.m3u8  a 64x48 picture variant whose sound is a rendition
//                     (German or English, both AUTOSELECT), and a lower one
//                     carrying its own sound as byte ranges of one file;
//                     the picture and sound segments AES-128 encrypted when
//                     asked, with a new key every keyEvery segments (an IV
//                     in the tag for even keys, the media sequence for odd);
//   /dash/clip.mpd    ffmpeg's own manifest: templates and timelines.
// One chosen path can stall, trickle, answer a page, 404 or a short body;
// every request is logged.
class StreamFixture {
public:
    enum class Fault { None, Stall, Trickle, Page, NotFound, Short };

    static void makeClip(const std::string& folder);

    // keyEvery 0: clear.
    StreamFixture(FixtureServer& srv, const std::string& clip, int keyEvery = 0);

    std::string master() const { return srv_.url("/hls/master.m3u8"); }
    std::string mpd() const { return srv_.url("/dash/clip.mpd"); }

    void fault(const std::string& path, Fault fault);
    // Each request so far: its path, and " bytes=A-B" when it asked a range.
    std::vector<std::string> served() const;

    static constexpr long long firstSequence = 5;
    // Bytes a short body leaves out.
    static constexpr std::size_t shortBy = 100;

private:
    void serve(const std::string& path, std::string bytes, const std::string& type);
    std::string playlist(const std::string& clip, const std::string& name, int keyEvery);

    // Shared with the server's threads, which may outlive the fixture.
    struct State {
        std::mutex mutex;
        std::map<std::string, Fault> faults;
        std::vector<std::string> served;
    };

    FixtureServer& srv_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// What a GET answered.
struct Fetched {
    long status = 0;
    long long announced = -1; // Content-Length; -1 without
    std::string body;
};

// A GET of url, or of length bytes from offset.
Fetched fetch(const std::string& url, std::optional<std::pair<long long, long long>> range = {});

#include "MediaFormat.h"
#include "HttpAddress.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Kind = MediaFormat::Kind;

// A format's type, extension and address name it alike, whatever the case,
// a type's parameters or an address's query; so every room that asks
// agrees on .mov as on .opus and .wav.
TEST(MediaFormatTest, TypeExtensionAndAddressNameTheSameFormat) {
    struct Case {
        const char* type;
        const char* address;
        Kind kind;
        const char* name;
        bool audio;
    };
    for (const Case& c :
         {Case{"Video/MP4; codecs=avc1", "https://h/v.M4V?x=a.ts#t", Kind::Whole, "mp4", false},
          Case{"video/quicktime", "https://h/a.mov", Kind::Whole, "mov", false},
          Case{"audio/opus", "https://h/a.opus", Kind::Whole, "opus", true},
          Case{"audio/x-wav", "https://h/a.wav", Kind::Whole, "wav", true},
          Case{"audio/mpegurl", "https://h/p/index.m3u8?s=1", Kind::Hls, "m3u8", false},
          Case{"application/dash+xml", "https://h/m.mpd", Kind::Dash, "mpd", false},
          Case{"video/mp2t", "https://h/seg-1.ts", Kind::Part, "ts", false},
          Case{"text/vtt", "https://h/en.vtt", Kind::Subtitles, "vtt", false}}) {
        for (const MediaFormat format :
             {MediaFormat::ofType(c.type), MediaFormat::ofAddress(c.address)}) {
            EXPECT_EQ(format.kind, c.kind) << c.type;
            EXPECT_EQ(format.name, c.name) << c.type;
            EXPECT_EQ(format.audio, c.audio) << c.type;
        }
    }
    EXPECT_FALSE(MediaFormat::ofAddress("https://h.example/watch?v=a.mp4"));
    EXPECT_FALSE(MediaFormat::ofAddress("https://h/a.mp4/"));
    EXPECT_FALSE(MediaFormat::ofType("text/html"));
    EXPECT_TRUE(MediaFormat::isMediaType("VIDEO/x-unknown"));
}

// Parts and subtitles have signatures as whole media do.
TEST(MediaFormatTest, FirstBytesTellPartsAndSubtitlesFromWholeMedia) {
    EXPECT_EQ(MediaFormat::ofSignature(std::string("\0\0\0\x18styp", 8)).kind, Kind::Part);
    EXPECT_EQ(MediaFormat::ofSignature(std::string("\0\0\0\x18moof", 8)).kind, Kind::Part);
    std::string packets(189, '\xFF');
    packets[0] = packets[188] = 0x47;
    EXPECT_EQ(MediaFormat::ofSignature(packets).name, "ts");
    EXPECT_EQ(MediaFormat::ofSignature("\xEF\xBB\xBFWEBVTT\n").kind, Kind::Subtitles);
    EXPECT_EQ(MediaFormat::ofSignature(std::string("\0\0\0\x18"
                                                   "ftypM4A ",
                                                   12))
                  .name,
              "m4a");
}

TEST(HttpAddressTest, OnlyHttpAndHttpsAddressesMayBeFetched) {
    EXPECT_TRUE(isHttpAddress("HTTPS://h/x"));
    EXPECT_TRUE(isHttpAddress("http://h"));
    for (const char* address : {"https://", "file:///etc/passwd", "ftp://h/x", "javascript:x", ""})
        EXPECT_FALSE(isHttpAddress(address)) << address;
    EXPECT_EQ(withoutQuery("https://h/a.mp4?x=1#y"), "https://h/a.mp4");
    EXPECT_EQ(withoutQuery("https://h/a#y?x"), "https://h/a");
}

} // namespace

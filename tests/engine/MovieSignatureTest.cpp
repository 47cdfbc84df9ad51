#include "page/MovieSignature.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string containerOf(const std::string& head, std::size_t chunk = 5) {
    MovieSignature signature;
    for (std::size_t at = 0; at < head.size() && !signature.containerKnown(); at += chunk)
        signature.feed(head.data() + at, std::min(chunk, head.size() - at));
    return signature.containerKnown() ? signature.container() : "(unknown)";
}

// The saved extension follows the first bytes, however they arrive; a
// Matroska header is judged only once its DocType can be seen.
TEST(MovieSignatureTest, TheFirstBytesNameTheContainer) {
    const std::string pad(64, '\x01');
    EXPECT_EQ(containerOf("FLV\x01\x05" + pad), "flv");
    EXPECT_EQ(containerOf(std::string("\0\0\0\x20"
                                      "ftypisom",
                                      12) +
                          pad),
              "mp4");
    EXPECT_EQ(containerOf(std::string("\0\0\0\x20"
                                      "ftypM4A ",
                                      12) +
                          pad),
              "m4a");
    const std::string ebml("\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\xF7\x81\x01\x42\x82\x84", 16);
    EXPECT_EQ(containerOf(ebml + "webm" + pad), "webm");
    EXPECT_EQ(containerOf(ebml + "\x88matroska" + pad), "mkv");
    EXPECT_EQ(containerOf("ID3\x04" + pad), "mp3");
    EXPECT_EQ(containerOf("\xFF\xFB\x90\x64" + pad), "mp3");
    EXPECT_EQ(containerOf("\x01\x02\x03" + pad), "");
    EXPECT_EQ(containerOf("FLV"), "(unknown)");
}

} // namespace

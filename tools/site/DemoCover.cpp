#include "tools/site/DemoCover.h"

#include <cstdint>

namespace {

void putLittle(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

} // namespace

namespace DemoCover {

std::string bmp(const DemoClip& clip) {
    constexpr int width = 160;
    constexpr int height = 90;
    constexpr int rowBytes = width * 3; // a multiple of 4: no padding
    constexpr std::uint32_t pixelBytes = rowBytes * height;
    std::string out;
    out.reserve(54 + pixelBytes);
    out += "BM";
    putLittle(out, 54 + pixelBytes, 4);
    putLittle(out, 0, 4);
    putLittle(out, 54, 4);
    putLittle(out, 40, 4); // BITMAPINFOHEADER
    putLittle(out, width, 4);
    putLittle(out, height, 4);
    putLittle(out, 1, 2);
    putLittle(out, 24, 2);
    putLittle(out, 0, 4);
    putLittle(out, pixelBytes, 4);
    putLittle(out, 2835, 4);
    putLittle(out, 2835, 4);
    putLittle(out, 0, 4);
    putLittle(out, 0, 4);
    // A diagonal blend whose hue follows the clip's tone.
    const int hue = clip.toneHz % 256;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            out += static_cast<char>((hue + x) % 256);           // blue
            out += static_cast<char>((90 + y * 2) % 256);        // green
            out += static_cast<char>((255 - hue + x + y) % 256); // red
        }
    return out;
}

} // namespace DemoCover

#pragma once

#include "tools/site/DemoClip.h"

#include <string>

// The picture a demo clip's watch page names as its og:image: a small
// BMP in the clip's own colours, made in memory, so that an MP3 made from a
// demo download gets a front cover without any file of ours.
namespace DemoCover {
std::string bmp(const DemoClip& clip);
} // namespace DemoCover

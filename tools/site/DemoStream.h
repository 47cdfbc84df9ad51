#pragma once

#include "tools/site/DemoClip.h"

#include <string>
#include <vector>

// Makes clip in container with ffmpeg (argument vector, no shell) at out,
// lines high and 16:9 wide: FLV as flv1 + MP3, MP4 as H.264/AAC with the
// index in front, WebM as VP8 + Vorbis. Small frames and a fast preset keep
// even the long clip to a few seconds of work. False when ffmpeg is missing or fails.
bool makeDemoStream(const DemoClip& clip, Container container, int lines, const std::string& out);

// ffmpeg's inputs for clip, lines high: its picture (input 0) and its tone
// (input 1), both lavfi sources.
std::vector<std::string> demoSources(const DemoClip& clip, int lines);

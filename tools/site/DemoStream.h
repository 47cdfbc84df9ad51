#pragma once

#include <string>

// Makes the demo clips with ffmpeg in a fresh temporary folder: "demo.mp4"
// (H.264/AAC) and "demo.flv". Returns the folder, or "" when ffmpeg failed.
std::string makeDemoStreams();

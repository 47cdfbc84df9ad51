#pragma once

// What the ffmpeg on PATH offers beyond what every ffmpeg 5.1 does, asked
// once per process and kept. Safe to ask from any thread: the first asker
// runs ffmpeg on its own thread, the others wait for its answer.
class FfmpegFeatures {
public:
    // The hls demuxer has -extension_picky (builds with it refuse parts
    // whose address names no media extension unless it is off). Not kept
    // while ffmpeg cannot be run, so that one installed later is asked.
    static bool hlsExtensionPicky();
};

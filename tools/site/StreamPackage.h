#pragma once

#include "tools/site/DemoClip.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

// The two ways a clip is cut into segments under a manifest.
enum class Packaging { Hls, Dash };

// Every file of a package by its name (no folders), as ffmpeg made it.
using PackageFiles = std::map<std::string, std::shared_ptr<const std::string>>;

namespace StreamPackage {

inline constexpr int kSegmentSeconds = 2;

// "hls" or "dash": the first folder of the package's addresses.
const char* folderName(Packaging packaging);
// The file a player opens first: "master.m3u8" or "manifest.mpd".
const char* entryName(Packaging packaging);
// The type a file of a package is served as, by its name.
std::string contentType(const std::string& name);

// Makes clip as a package with ffmpeg in folder (empty, the caller's) and
// reads it in: HLS as a master playlist of two variants (360 and 240 lines,
// H.264/AAC in MPEG-TS segments), DASH as a static MPD of video and audio in
// .m4s segments from a SegmentTemplate. Null when ffmpeg fails.
std::shared_ptr<const PackageFiles> make(const DemoClip& clip, Packaging packaging,
                                         const std::filesystem::path& folder);

} // namespace StreamPackage

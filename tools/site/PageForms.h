#pragma once

#include "tools/site/DemoClip.h"
#include "tools/site/PageForm.h"
#include "tools/site/StreamPackage.h"

#include <string>
#include <vector>

// The watch pages of today's forms and the addresses of their media, all as
// paths on the site. Every form exists for every clip offered as MP4, but
// HLS and DASH only for the one packaged clip.
namespace PageForms {

inline constexpr int kSmallLines = 360;
inline constexpr int kLargeLines = 720;
inline constexpr const char* kPackagedClip = "demo";

// One of each form, in the order the site lists them.
const std::vector<PageForm>& all();
// The clip with this id when it is offered as MP4, else null.
const DemoClip* mp4Clip(const std::string& id);
// The clip with this id when it is packaged as HLS and DASH, else null.
const DemoClip* packagedClip(const std::string& id);

// The form's page: /watch/video?v=ID and the like; for Direct the media
// itself, /clip/ID.mp4.
std::string address(PageKind kind, const std::string& clipId);
// The clip as MP4, lines high: /media/ID/LINES.mp4.
std::string mediaPath(const std::string& clipId, int lines);
// The media behind the cookie or Referer gate: /gated/cookie/ID.mp4,
// /gated/referer/ID.mp4.
std::string gatedPath(PageKind kind, const std::string& clipId);
// A clip's WebVTT track in language ("en", "de"): /subs/ID.en.vtt.
std::string subtitlesPath(const std::string& clipId, const std::string& language);
// The protected page's encrypted playlist: /protected/ID/master.m3u8.
std::string protectedPath(const std::string& clipId);
// What the script page fetches before it builds its player:
// /api/clip/ID.json.
std::string clipJsonPath(const std::string& clipId);
// The entry of the clip's package: /hls/ID/master.m3u8, /dash/ID/manifest.mpd.
std::string packagePath(Packaging packaging, const std::string& clipId);

} // namespace PageForms

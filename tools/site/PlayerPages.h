#pragma once

#include "tools/site/DemoClip.h"

#include <string>

// Watch pages as players write them (see PageForms for their addresses),
// each around one demo clip: an address only a script fills in, several
// videos on one page, subtitle tracks, a protected stream, and a page
// that plays nothing.
namespace PlayerPages {

// <video data-src> with an empty src, and the script that fills it in.
std::string lazy(const std::string& origin, const DemoClip& clip);
// Three <video>s of three clips: two others named by their title
// attribute, then clip's, named by nothing but the page.
std::string several(const std::string& origin, const DemoClip& clip);
// A <video> with an English subtitles <track> and a German captions one.
std::string tracks(const std::string& origin, const DemoClip& clip);
// A <video> of the encrypted playlist, and a request for a key system.
std::string protectedPage(const std::string& origin, const DemoClip& clip);
// The clip's text and picture, no media.
std::string noVideo(const std::string& origin, const DemoClip& clip);

// The clip's WebVTT track in language ("en" or "de"): a cue or two naming it.
std::string subtitles(const DemoClip& clip, const std::string& language);
// An HLS media playlist under SAMPLE-AES (its segments are never served).
std::string protectedPlaylist(const DemoClip& clip);

} // namespace PlayerPages

#pragma once

#include "tools/site/DemoClip.h"
#include "tools/site/PageForm.h"

#include <string>

// The watch pages of today's forms (see PageForms for their addresses).
// None carries the legacy headline or stream map: each names its video only
// in its own form. Each plays in a browser; the Open Graph and JSON-LD pages
// build their player from that metadata with a script, as players do, so
// that their markup holds no <video>.
namespace FormPages {

// The page around a form's player: the clip's headline, the player, what the
// page shows and the way back; head goes inside <head>.
std::string framed(const std::string& origin, const DemoClip& clip, PageKind kind,
                   const std::string& player, const std::string& head = {});

// <video width height> with a 360 and a 720 line <source>, addressed
// relative to a <base href> that differs from the page's folder.
std::string video(const std::string& origin, const DemoClip& clip);
// og:title, og:image and og:video with its url, secure_url, type, width and
// height.
std::string openGraph(const std::string& origin, const DemoClip& clip);
// An application/ld+json @graph holding a WebPage and the VideoObject
// (name, description, thumbnailUrl, contentUrl, duration).
std::string jsonLd(const std::string& origin, const DemoClip& clip);
// A <video src> whose media is behind the Cookie or Referer gate.
std::string gated(const std::string& origin, const DemoClip& clip, PageKind gate);
// A <video> whose <source> names the HLS master playlist, with og:video to
// it as well.
std::string hls(const std::string& origin, const DemoClip& clip);
// A <video> whose <source> names the DASH manifest.
std::string dash(const std::string& origin, const DemoClip& clip);
// The 403 page of gated media that was asked for without what it needs.
std::string refused(const std::string& origin, PageKind gate, const std::string& clipId);

} // namespace FormPages

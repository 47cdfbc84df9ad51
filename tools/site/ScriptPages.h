#pragma once

#include "tools/site/DemoClip.h"

#include <string>

// The watch pages whose player only a script makes, after load, from what it
// fetches: as served they name no video at all, so a reader finds the clip
// only by the page's requests or its document as the script left it.
namespace ScriptPages {

// Fetches the clip's JSON (see clipJson) and only then inserts a <video>
// with a <source> from it.
std::string fetched(const std::string& origin, const DemoClip& clip);
// Fetches the HLS master playlist, takes its first variant and plays that
// variant's WebM twin through Media Source Extensions, the <video> on a blob:
// address. Only the fetch() call names the playlist.
std::string mediaSource(const std::string& origin, const DemoClip& clip);
// {"title", "src": "/clip/ID.mp4", "type": "video/mp4"}.
std::string clipJson(const DemoClip& clip);

} // namespace ScriptPages

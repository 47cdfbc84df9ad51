#pragma once

#include "tools/site/FormRoutes.h"
#include "tools/site/SiteMedia.h"

#include <httplib.h>

// Routes the pages a script builds (see ScriptPages) and what their scripts
// fetch on svr: /watch/script, /watch/blob, /api/clip/ID.json and
// /hls/ID/360.webm. Goes before the package routes, which would take that
// last one for a name ffmpeg did not make. media outlives the server's run.
void addScriptRoutes(httplib::Server& svr, SiteMedia& media, OriginOf origin);

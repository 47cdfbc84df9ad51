#pragma once

#include "tools/site/ClipCache.h"
#include "tools/site/FormRoutes.h"
#include "tools/site/SiteMedia.h"

#include <httplib.h>

// Routes the HLS and DASH watch pages and their packages' files on svr:
// /watch/hls, /watch/dash, /hls/ID/NAME, /dash/ID/NAME. Only the names
// ffmpeg made are served, from memory, so no address reaches a file of its
// own choosing. cache and media outlive the server's run.
void addPackageRoutes(httplib::Server& svr, ClipCache& cache, SiteMedia& media, OriginOf origin);

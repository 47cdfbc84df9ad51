#pragma once

#include "tools/site/FormRoutes.h"

#include <httplib.h>

// Routes the pages as players write them (see PlayerPages) on svr:
// /watch/lazy, /watch/three, /watch/tracks, /watch/protected and
// /watch/about, the tracks' /subs/ID.LANG.vtt and the protected page's
// /protected/ID/master.m3u8.
void addPlayerRoutes(httplib::Server& svr, OriginOf origin);

#pragma once

#include "tools/site/CookieGate.h"
#include "tools/site/SiteMedia.h"

#include <httplib.h>

#include <functional>
#include <string>

// The visitor's origin for a request (see siteOrigin).
using OriginOf = std::function<std::string(const httplib::Request&)>;

// Routes the pages of today's forms and their media (see PageForms) on svr.
// media and cookies outlive the server's run.
void addFormRoutes(httplib::Server& svr, SiteMedia& media, CookieGate& cookies, OriginOf origin);

#pragma once

#include <httplib.h>

#include <string>

// "http://host:port" as the visitor reached the site, from its Host header,
// so that every link points back at this server. A Host header is the
// visitor's to choose: anything but a plain host[:port] gives fallback.
std::string siteOrigin(const httplib::Request& req, const std::string& fallback);
